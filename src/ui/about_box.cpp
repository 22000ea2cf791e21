#include "ui/about_box.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_icon.h"
#include "ui/language.h"

namespace mirelk::ui {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutBox");
    setWindowTitle(Tr("TAboutBox", "About Us"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(AppIconImage(64)));
    auto* text = new QLabel(this);
    text->setObjectName("lblProduct");
    text->setTextFormat(Qt::RichText);
    text->setText(QString("<b>%1 %2</b><br>%3<br><br>%4<br><br>%5 mirelk@example.org")
                      .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion(),
                           Tr("TAboutBox", "Batch converter for audio and video files"),
                           Tr("TAboutBox", "Built on the FFmpeg libraries and Qt %1").arg(qVersion()),
                           Tr("TAboutBox", "Contact us:")));
    auto* ok = new QPushButton(Tr("TAboutBox", "OK"), this);
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
