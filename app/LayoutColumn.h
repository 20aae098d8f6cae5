#pragma once

#include <QWidget>

#include <functional>

// A plain container whose children are placed by its owner: the placer runs
// whenever the column is resized or moved (a splitter moved it).
class CLayoutColumn : public QWidget {
    Q_OBJECT
public:
    explicit CLayoutColumn(QWidget* parent = nullptr);

    void SetPlacer(std::function<void()> placer) { m_fnPlace = std::move(placer); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    std::function<void()> m_fnPlace;
};
