// "关于我们": the product, its version and how to reach us; made each time it is shown.
#pragma once

#include <QDialog>

namespace mirelk::ui {

class TAboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent);
};

}  // namespace mirelk::ui
