#include "ui/about_box.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_icon.h"

namespace mirelk::ui {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutBox");
    setWindowTitle("关于我们");
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(AppIconImage(64)));
    auto* text = new QLabel(this);
    text->setObjectName("lblProduct");
    text->setTextFormat(Qt::RichText);
    text->setText(QString("<b>%1 %2</b><br>音频视频批量转换<br>Batch converter for audio and video files<br><br>"
                          "基于 FFmpeg 与 Qt 构建<br>Built on the FFmpeg libraries and Qt %3<br><br>"
                          "联系我们: mirelk@example.org")
                      .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion(), qVersion()));
    auto* ok = new QPushButton("确定", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

}  // namespace mirelk::ui
