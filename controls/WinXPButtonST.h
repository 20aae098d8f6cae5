#pragma once

#include "ButtonST.h"

// The volume buttons' class: a CButtonST whose highlight can be drawn as a
// rounded rectangle (8 x 8 corners); rounding is off by default.
class CWinXPButtonST : public CButtonST {
    Q_OBJECT
public:
    explicit CWinXPButtonST(QWidget* parent = nullptr);

    void SetRounded(bool rounded, bool repaint = true);
    bool IsRounded() const { return m_bIsRounded; }

protected:
    void DrawBackground(QPainter& painter, bool highlighted) override;

private:
    bool m_bIsRounded = false;
};
