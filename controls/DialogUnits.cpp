#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace {

// value * numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

QRect DialogUnitsToPixels(const QFont& font, int x, int y, int cx, int cy) {
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (letters / 26 + 1) / 2;
    const int baseY = fm.height();
    return QRect(ScaleRounded(x, baseX, 4), ScaleRounded(y, baseY, 8), ScaleRounded(cx, baseX, 4),
                 ScaleRounded(cy, baseY, 8));
}
