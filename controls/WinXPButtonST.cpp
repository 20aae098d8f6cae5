#include "WinXPButtonST.h"

CWinXPButtonST::CWinXPButtonST(QWidget* parent) : CButtonST(parent) {}
