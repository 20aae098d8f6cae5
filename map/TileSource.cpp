#include "TileSource.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <utility>

namespace {

const char kDefaultUrlTemplate[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
const char kDefaultAttribution[] =
    "Map data &copy; <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> "
    "contributors";

// The placeholders the map library fills in, each with a value of its kind
// for checking the address the template makes.
struct Placeholder {
    const char* name;
    const char* example;
};
constexpr Placeholder kPlaceholders[] = {
    {"z", "1"}, {"x", "2"}, {"y", "3"}, {"-y", "3"}, {"s", "a"}, {"r", ""},
};

const Placeholder* FindPlaceholder(QStringView name) {
    for (const Placeholder& p : kPlaceholders) {
        if (name == QLatin1String(p.name)) {
            return &p;
        }
    }
    return nullptr;
}

bool IsWebUrl(const QUrl& url) {
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

// Escapes text for HTML, keeping character references (&copy;, &#169;, &#xA9;).
QString EscapeText(QStringView text) {
    static const QRegularExpression reference(
        QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[A-Za-z][A-Za-z0-9]{1,31});"));
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('&')) {
            const QRegularExpressionMatch m =
                reference.match(text, i, QRegularExpression::NormalMatch,
                                QRegularExpression::AnchorAtOffsetMatchOption);
            if (m.hasMatch()) {
                out += m.captured(0);
                i += m.capturedLength(0) - 1;
            } else {
                out += QLatin1String("&amp;");
            }
        } else if (c == QLatin1Char('<')) {
            out += QLatin1String("&lt;");
        } else if (c == QLatin1Char('>')) {
            out += QLatin1String("&gt;");
        } else if (c == QLatin1Char('"')) {
            out += QLatin1String("&quot;");
        } else if (c == QLatin1Char('\'')) {
            out += QLatin1String("&#39;");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    return out;
}

// A link at position i of text: <a href="http(s)://...">plain text</a>. Returns
// its safe HTML and its length in text, or an empty string when there is none.
QString LinkAt(QStringView text, qsizetype i, qsizetype* length) {
    static const QRegularExpression link(
        QStringLiteral("<a\\s+href\\s*=\\s*(?:\"([^\"<>]*)\"|'([^'<>]*)')\\s*>([^<]*)</a\\s*>"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = link.match(text, i, QRegularExpression::NormalMatch,
                                                 QRegularExpression::AnchorAtOffsetMatchOption);
    if (!m.hasMatch()) {
        return QString();
    }
    QString href = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    href.replace(QLatin1String("&amp;"), QLatin1String("&"));
    const QUrl url(href.trimmed(), QUrl::StrictMode);
    if (!IsWebUrl(url)) {
        return QString();
    }
    *length = m.capturedLength(0);
    return QStringLiteral("<a href=\"") +
           QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded)).toHtmlEscaped() +
           QStringLiteral("\">") + EscapeText(m.capturedView(3)) + QStringLiteral("</a>");
}

}  // namespace

CTileSource::CTileSource(QString urlTemplate, QString attributionHtml)
    : m_urlTemplate(std::move(urlTemplate)), m_attributionHtml(std::move(attributionHtml)) {}

CTileSource CTileSource::Default() {
    return CTileSource(QString::fromLatin1(kDefaultUrlTemplate),
                       AttributionHtml(QString::fromLatin1(kDefaultAttribution)));
}

CTileSource CTileSource::Make(const QString& urlTemplate, const QString& attribution,
                              bool* accepted) {
    const bool usable = IsUsableUrlTemplate(urlTemplate);
    if (accepted) {
        *accepted = usable;
    }
    if (!usable) {
        return Default();
    }
    return CTileSource(urlTemplate, AttributionHtml(attribution));
}

bool CTileSource::IsUsableUrlTemplate(const QString& urlTemplate) {
    if (urlTemplate.isEmpty() || urlTemplate.size() > kMaxUrlLength) {
        return false;
    }
    // Fill each placeholder with an example value; the result must be a web address.
    QString example;
    bool hasZ = false, hasX = false, hasY = false;
    for (qsizetype i = 0; i < urlTemplate.size(); ++i) {
        const QChar c = urlTemplate[i];
        if (c == QLatin1Char('}')) {
            return false;
        }
        if (c != QLatin1Char('{')) {
            example += c;
            continue;
        }
        const qsizetype close = urlTemplate.indexOf(QLatin1Char('}'), i + 1);
        if (close < 0) {
            return false;
        }
        const QStringView name = QStringView(urlTemplate).mid(i + 1, close - i - 1);
        const Placeholder* placeholder = FindPlaceholder(name);
        if (!placeholder) {
            return false;
        }
        hasZ = hasZ || name == QLatin1String("z");
        hasX = hasX || name == QLatin1String("x");
        hasY = hasY || name == QLatin1String("y") || name == QLatin1String("-y");
        example += QLatin1String(placeholder->example);
        i = close;
    }
    if (!hasZ || !hasX || !hasY) {
        return false;
    }
    for (const QChar c : example) {
        if (c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    return IsWebUrl(QUrl(example, QUrl::StrictMode));
}

QString CTileSource::AttributionHtml(const QString& attribution) {
    const QStringView text = QStringView(attribution).left(kMaxAttributionLength);
    QString out;
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('<')) {
            continue;
        }
        qsizetype length = 0;
        const QString link = LinkAt(text, i, &length);
        if (link.isEmpty()) {
            continue;
        }
        out += EscapeText(text.mid(plainFrom, i - plainFrom));
        out += link;
        i += length - 1;
        plainFrom = i + 1;
    }
    out += EscapeText(text.mid(plainFrom));
    return out;
}
