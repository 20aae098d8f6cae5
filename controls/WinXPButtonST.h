#pragma once

#include "ButtonST.h"

// The volume buttons' class: a flat CButtonST.
class CWinXPButtonST : public CButtonST {
    Q_OBJECT
public:
    explicit CWinXPButtonST(QWidget* parent = nullptr);
};
