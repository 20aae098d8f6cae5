#pragma once

#include <QEvent>

// Posted by CBitmapSlider to its parent: Moving while the thumb is dragged
// and the value changes, Moved on release and after each navigation key.
class CSliderEvent : public QEvent {
public:
    static constexpr QEvent::Type Moving = QEvent::Type(0x28D1);
    static constexpr QEvent::Type Moved = QEvent::Type(0x28D2);

    CSliderEvent(QEvent::Type type, int controlId, int value)
        : QEvent(type), m_nControlId(controlId), m_nValue(value) {}

    int ControlId() const { return m_nControlId; }
    int Value() const { return m_nValue; }

private:
    int m_nControlId;
    int m_nValue;
};
