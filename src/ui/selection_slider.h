// A horizontal slider that also shows a marked range (a clip) as a band along its groove.
#pragma once

#include <QSlider>

namespace mirelk::ui {

class TSelectionSlider final : public QSlider {
    Q_OBJECT
public:
    explicit TSelectionSlider(QWidget* parent);
    // No band while the end does not lie after the start.
    void SetSelection(int start, int end);
    int SelectionStart() const { return m_start; }
    int SelectionEnd() const { return m_end; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_start = 0;
    int m_end = 0;
};

}  // namespace mirelk::ui
