#include "ui/option_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "form/main_window_pages.h"
#include "form/option_choices.h"
#include "form/widget_states.h"
#include "ui/language.h"
#include "ui/preset_controls.h"
#include "ui/quality_controls.h"
#include "ui/selection_slider.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TfrmOption";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

QImage ImageOf(const TBitmap24& bitmap)
{
    if (bitmap.Empty()) return {};
    return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.BytesPerLine(), QImage::Format_BGR888)
        .copy();
}

// The form writes the label as "PTS: " and the time.
QString PTSLabel(const std::string& text)
{
    const QString label = QString::fromStdString(text);
    return label.startsWith("PTS: ") ? Tr("TfrmOption", "PTS: ") + label.mid(5) : label;
}

}  // namespace

TfrmOption::TfrmOption(TOptionForm& form, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_form(form)
{
    setObjectName("frmOption");
    SetTrTitle(this, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Output Options"));
    setModal(false);

    auto* pages = new QTabWidget(this);
    pages->setObjectName("pgcOptions");
    const std::pair<QWidget*, const char*> tabs[] = {{BuildFormatPage(), QT_TRANSLATE_NOOP("TfrmOption", "Format")},
                                                     {BuildAudioPage(), QT_TRANSLATE_NOOP("TfrmOption", "Audio")},
                                                     {BuildVideoPage(), QT_TRANSLATE_NOOP("TfrmOption", "Video")},
                                                     {BuildHookPage(), QT_TRANSLATE_NOOP("TfrmOption", "Hooks")},
                                                     {BuildFilterPage(), QT_TRANSLATE_NOOP("TfrmOption", "Filters")},
                                                     {BuildQualityPage(), QT_TRANSLATE_NOOP("TfrmOption", "Quality")}};
    for (const auto& [page, caption] : tabs) {
        SetTrTab(page, kContext, caption);
        pages->addTab(page, QString());
    }

    auto* defaults = new QPushButton(this);
    defaults->setObjectName("btnDefaults");
    SetTrText(defaults, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Defaults"));
    SetTrToolTip(defaults, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Every setting as it was at the first start"));
    connect(defaults, &QPushButton::clicked, this, &TfrmOption::RestoreDefaults);
    auto* close = new QPushButton(this);
    close->setObjectName("btnClose");
    SetTrText(close, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(close);
    // What the chosen format makes of the settings, whichever page is shown.
    m_note = new QLabel(this);
    m_note->setObjectName("lblSettingsNote");
    m_note->setWordWrap(true);
    m_note->setStyleSheet("color: #a04000;");
    m_presets = new TPresetControls(m_form, this);
    connect(m_presets, &TPresetControls::Applied, this, [this] {
        ShowSettings();
        emit SettingsChanged();
    });
    auto* left = new QVBoxLayout;
    left->addWidget(pages, 1);
    left->addWidget(m_note);
    left->addWidget(m_presets);
    left->addLayout(buttons);
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->addLayout(left, 1);
    layout->addWidget(BuildPreviewColumn());
    // On a screen smaller than the window (a large scale factor) the window fits the screen and
    // its content scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("scrOptions");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    Retranslate(this);
    ShowSettings();
    ShowFileState();
    QSize size = content->sizeHint();
    if (const QScreen* screen = QApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(16, 40));
    resize(size);
}

void TfrmOption::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        Retranslate(this);
        // The folder shown may be the words for "beside the input", and the note is in words too.
        ShowSettings();
        m_pts->setText(PTSLabel(m_form.PTSText()));
    }
    QDialog::changeEvent(event);
}

TfrmOption::~TfrmOption()
{
    if (m_form.Prober() == m_prober.get()) m_form.SetProber(nullptr);
}

QWidget* TfrmOption::BuildPreviewColumn()
{
    auto* column = new QWidget(this);
    column->setFixedWidth(TOptionForm::kPreviewWidth + 16);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_preview = new QLabel(column);
    m_preview->setObjectName("imgPreview");
    m_preview->setFixedSize(TOptionForm::kPreviewWidth, TOptionForm::kPreviewHeight);
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);

    m_slider = new TSelectionSlider(column);
    m_slider->setObjectName("trcPreview");
    m_slider->setFixedWidth(TOptionForm::kPreviewWidth);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_form.SetPreviewSliderWidth(TOptionForm::kPreviewWidth);
    connect(m_slider, &QSlider::valueChanged, this, &TfrmOption::SliderMoved);
    layout->addWidget(m_slider, 0, Qt::AlignHCenter);
    m_pts = new QLabel(column);
    m_pts->setObjectName("lblPTS");
    layout->addWidget(m_pts);

    auto* clip = new QGridLayout;
    auto* start = new QPushButton(column);
    start->setObjectName("btnStartTime");
    SetTrText(start, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Set Start"));
    auto* end = new QPushButton(column);
    end->setObjectName("btnEndTime");
    SetTrText(end, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Set End"));
    m_startTime = new QLineEdit(column);
    m_startTime->setObjectName("edtStartTime");
    m_startTime->setReadOnly(true);
    m_endTime = new QLineEdit(column);
    m_endTime->setObjectName("edtEndTime");
    m_endTime->setReadOnly(true);
    connect(start, &QPushButton::clicked, this, [this] { MarkClip(true); });
    connect(end, &QPushButton::clicked, this, [this] { MarkClip(false); });
    clip->addWidget(start, 0, 0);
    clip->addWidget(m_startTime, 0, 1);
    clip->addWidget(end, 1, 0);
    clip->addWidget(m_endTime, 1, 1);
    layout->addLayout(clip);
    m_cutClip = new QCheckBox(column);
    SetTrText(m_cutClip, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Cut Clip"));
    m_cutClip->setObjectName("chkCutClip");
    connect(m_cutClip, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_showing) return;
        m_form.Settings.CutClip = checked;
        emit CutClipChanged(checked);
    });
    layout->addWidget(m_cutClip);

    m_fileInfo = new QPlainTextEdit(column);
    m_fileInfo->setObjectName("mmoAVFileInfo");
    m_fileInfo->setReadOnly(true);
    m_fileInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_fileInfo, 1);
    return column;
}

QGroupBox* TfrmOption::RadioGroup(const char* name, const char* title, std::span<const std::string_view> items,
                                  int TOptionFormSettings::*field, int columns, QButtonGroup* sharedGroup)
{
    auto* box = new QGroupBox;
    SetTrText(box, kContext, title);
    box->setObjectName(name);
    auto* grid = new QGridLayout(box);
    QButtonGroup* group = sharedGroup != nullptr ? sharedGroup : new QButtonGroup(box);
    const int first = static_cast<int>(group->buttons().size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(Text(items[i]), box);
        const int index = static_cast<int>(i);
        group->addButton(button, first + index);
        grid->addWidget(button, index / columns, index % columns);
    }
    // The first box of a shared group is bound already.
    if (sharedGroup != nullptr) return box;
    m_bindings.push_back({[this, group, field] {
                              if (QAbstractButton* button = group->button(m_form.Settings.*field)) button->setChecked(true);
                          },
                          [this, group, field] {
                              if (group->checkedId() >= 0) m_form.Settings.*field = group->checkedId();
                          }});
    connect(group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) Changed();
    });
    return box;
}

QCheckBox* TfrmOption::Check(const char* name, const char* caption, bool TOptionFormSettings::*field)
{
    auto* box = new QCheckBox;
    SetTrText(box, kContext, caption);
    box->setObjectName(name);
    m_bindings.push_back({[this, box, field] { box->setChecked(m_form.Settings.*field); },
                          [this, box, field] { m_form.Settings.*field = box->isChecked(); }});
    connect(box, &QCheckBox::toggled, this, &TfrmOption::Changed);
    return box;
}

QCheckBox* TfrmOption::HookCheck(const char* name, const char* caption, THookCheck TOptionFormSettings::*field)
{
    auto* box = new QCheckBox;
    SetTrText(box, kContext, caption);
    box->setObjectName(name);
    m_bindings.push_back({[this, box, field] { box->setChecked((m_form.Settings.*field).Checked); },
                          [this, box, field] { (m_form.Settings.*field).Checked = box->isChecked(); }});
    BindEnabled(box, field);
    connect(box, &QCheckBox::toggled, this, &TfrmOption::Changed);
    return box;
}

QLineEdit* TfrmOption::Edit(const char* name, std::string TOptionFormSettings::*field)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    m_bindings.push_back({[this, edit, field] { edit->setText(QString::fromStdString(m_form.Settings.*field)); },
                          [this, edit, field] { m_form.Settings.*field = edit->text().toStdString(); }});
    connect(edit, &QLineEdit::textChanged, this, &TfrmOption::Changed);
    return edit;
}

QLineEdit* TfrmOption::EdgeEdit(const char* name, TEdgeTexts TOptionFormSettings::*edges, std::string TEdgeTexts::*field)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    m_bindings.push_back({[this, edit, edges, field] {
                              edit->setText(QString::fromStdString((m_form.Settings.*edges).*field));
                          },
                          [this, edit, edges, field] { (m_form.Settings.*edges).*field = edit->text().toStdString(); }});
    connect(edit, &QLineEdit::textChanged, this, &TfrmOption::Changed);
    return edit;
}

void TfrmOption::BindEnabled(QWidget* widget, bool TOptionFormSettings::*field)
{
    m_enabledStates.push_back([this, widget, field] { widget->setEnabled(m_form.Settings.*field); });
}

void TfrmOption::BindEnabled(QWidget* widget, THookCheck TOptionFormSettings::*field)
{
    m_enabledStates.push_back([this, widget, field] { widget->setEnabled((m_form.Settings.*field).Enabled); });
}

void TfrmOption::Changed()
{
    if (m_showing) return;
    for (const TBinding& binding : m_bindings) binding.Take();
    UpdateWidgetStates(m_form.Settings);
    ShowEnabledStates();
    ShowNote();
    emit SettingsChanged();
}

void TfrmOption::ShowSettings()
{
    m_showing = true;
    for (const TBinding& binding : m_bindings) binding.Show();
    ShowEnabledStates();
    m_showing = false;
    ShowNote();
}

void TfrmOption::ShowNote()
{
    const QString note = SettingsNote(m_form);
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void TfrmOption::ShowEnabledStates()
{
    const bool wasShowing = m_showing;
    m_showing = true;
    for (const auto& show : m_enabledStates) show();
    m_cutClip->setEnabled(m_form.Settings.CutClipEnabled);
    m_cutClip->setChecked(m_form.Settings.CutClip);
    m_showing = wasShowing;
}

void TfrmOption::RestoreDefaults()
{
    const std::string folder = m_form.Settings.OutputFolder;
    const bool cutClip = m_form.Settings.CutClip;
    const bool cutClipEnabled = m_form.Settings.CutClipEnabled;
    m_form.Settings = TOptionFormSettings{};
    m_form.Settings.OutputFolder = folder;
    // The clip belongs to the shown file, not to the settings.
    m_form.Settings.CutClip = cutClip;
    m_form.Settings.CutClipEnabled = cutClipEnabled;
    ShowSettings();
    emit SettingsChanged();
}

bool TfrmOption::ShowFile(const std::string& path)
{
    if (m_form.Prober() == m_prober.get()) m_form.SetProber(nullptr);
    m_prober.reset();
    m_shownFile.clear();
    QString failure;
    if (!path.empty()) {
        auto prober = std::make_unique<TAVProbe>();
        if (prober->Open(path, "")) {
            m_prober = std::move(prober);
            m_shownFile = path;
        } else {
            failure = QString::fromStdString(prober->LastErrMsg());
        }
    }
    GiveFileBack();
    if (!failure.isEmpty()) m_fileInfo->setPlainText(failure);
    return failure.isEmpty();
}

void TfrmOption::GiveFileBack()
{
    m_form.SetProber(m_prober.get());
    ShowFileState();
}

void TfrmOption::ShowFileState()
{
    const TPreviewSlider& slider = m_form.PreviewSlider();
    m_showing = true;
    m_slider->setRange(slider.Min(), slider.Max());
    m_slider->setSingleStep(slider.LineSize());
    m_slider->setPageStep(slider.PageSize());
    m_slider->setTickInterval(slider.TickFrequency());
    m_slider->setValue(slider.Position());
    m_slider->setEnabled(m_form.Prober() != nullptr && slider.ThumbVisible());
    m_slider->SetSelection(slider.SelStart(), slider.SelEnd());
    m_showing = false;
    ShowPreview();
    m_startTime->setText(QString::fromStdString(m_form.StartTimeText()));
    m_endTime->setText(QString::fromStdString(m_form.EndTimeText()));
    m_fileInfo->setPlainText(QString::fromStdString(m_form.FileInfoText()));
    ShowEnabledStates();
    // A picture too small for the encoder depends on the file.
    ShowNote();
}

void TfrmOption::ShowClip(const std::string& start, const std::string& end, bool cutClip)
{
    if (m_form.Prober() == nullptr || (ClipTextMicroseconds(start) == 0 && ClipTextMicroseconds(end) == 0)) return;
    ApplyRowClip(m_form, start, end);
    m_form.Settings.CutClip = cutClip && m_form.Settings.CutClipEnabled;
    ShowFileState();
}

void TfrmOption::SliderMoved(int position)
{
    if (m_showing) return;
    m_form.SetPreviewPosition(position);
    ShowPreview();
}

void TfrmOption::ShowPreview()
{
    m_preview->setPixmap(QPixmap::fromImage(ImageOf(m_form.PreviewImage())));
    m_pts->setText(PTSLabel(m_form.PTSText()));
}

void TfrmOption::MarkClip(bool start)
{
    if (m_prober == nullptr) return;
    if (start) {
        m_form.SetStart();
        m_startTime->setText(QString::fromStdString(m_form.StartTimeText()));
    } else {
        m_form.SetEnd();
        m_endTime->setText(QString::fromStdString(m_form.EndTimeText()));
    }
    const TPreviewSlider& slider = m_form.PreviewSlider();
    m_slider->SetSelection(slider.SelStart(), slider.SelEnd());
    ShowEnabledStates();
    emit ClipMarked(start);
}

}  // namespace mirelk::ui
