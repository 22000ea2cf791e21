#include "ui/language.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTranslator>
#include <memory>

namespace mirelk::ui {

namespace {

constexpr char kTextProperty[] = "mirelkText";
constexpr char kToolTipProperty[] = "mirelkToolTip";
constexpr char kPlaceholderProperty[] = "mirelkPlaceholder";
constexpr char kTitleProperty[] = "mirelkTitle";
constexpr char kTabProperty[] = "mirelkTab";

struct TInstalled {
    QString Language = "en";
    std::unique_ptr<QTranslator> Program;
    std::unique_ptr<QTranslator> Qt;
};

TInstalled& Installed()
{
    static TInstalled installed;
    return installed;
}

QString Translated(const QVariant& kept)
{
    const QStringList pair = kept.toStringList();
    if (pair.size() != 2) return {};
    return QCoreApplication::translate(pair[0].toUtf8().constData(), pair[1].toUtf8().constData());
}

void Keep(QObject* object, const char* property, const char* context, const char* source)
{
    object->setProperty(property, QStringList{QString::fromUtf8(context), QString::fromUtf8(source)});
}

void ApplyText(QObject* object, const QString& text)
{
    if (auto* button = qobject_cast<QAbstractButton*>(object)) button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(object)) label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(object)) group->setTitle(text);
    else if (auto* menu = qobject_cast<QMenu*>(object)) menu->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(object)) action->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(object)) edit->setText(text);
}

void ApplyToolTip(QObject* object, const QString& text)
{
    if (auto* widget = qobject_cast<QWidget*>(object)) widget->setToolTip(text);
    else if (auto* action = qobject_cast<QAction*>(object)) action->setToolTip(text);
}

void RetranslateOne(QObject* object)
{
    if (const QVariant kept = object->property(kTextProperty); kept.isValid()) ApplyText(object, Translated(kept));
    if (const QVariant kept = object->property(kToolTipProperty); kept.isValid()) ApplyToolTip(object, Translated(kept));
    if (const QVariant kept = object->property(kPlaceholderProperty); kept.isValid())
        if (auto* edit = qobject_cast<QLineEdit*>(object)) edit->setPlaceholderText(Translated(kept));
    if (const QVariant kept = object->property(kTitleProperty); kept.isValid())
        if (auto* window = qobject_cast<QWidget*>(object)) window->setWindowTitle(Translated(kept));
    if (auto* tabs = qobject_cast<QTabWidget*>(object))
        for (int index = 0; index < tabs->count(); ++index)
            if (const QVariant kept = tabs->widget(index)->property(kTabProperty); kept.isValid())
                tabs->setTabText(index, Translated(kept));
}

}  // namespace

QStringList AvailableLanguages() { return {"zh_CN", "en"}; }

QString LanguageName(const QString& language)
{
    // Each language in its own name, whatever the window's language, as a reader of that
    // language looks for it; Qt's locale data has the names, so no text here needs translating.
    const QLocale locale(language);
    return locale.language() == QLocale::English ? QLocale::languageToString(QLocale::English)
                                                 : locale.nativeLanguageName();
}

QString LanguageForLocale(const QLocale& locale)
{
    return locale.language() == QLocale::Chinese ? QString("zh_CN") : QString("en");
}

QString ChooseLanguage(const QString& saved, const QLocale& locale)
{
    return AvailableLanguages().contains(saved) ? saved : LanguageForLocale(locale);
}

void InstallLanguage(const QString& wanted)
{
    const QString language = AvailableLanguages().contains(wanted) ? wanted : QString("en");
    TInstalled& installed = Installed();
    for (std::unique_ptr<QTranslator>* translator : {&installed.Program, &installed.Qt}) {
        if (*translator) QCoreApplication::removeTranslator(translator->get());
        translator->reset();
    }
    installed.Language = language;
    auto program = std::make_unique<QTranslator>();
    if (program->load(":/i18n/mirelk_" + language + ".qm")) {
        QCoreApplication::installTranslator(program.get());
        installed.Program = std::move(program);
    }
    // Qt's own texts: the buttons of the file and message dialogs.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load("qtbase_" + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        installed.Qt = std::move(qt);
    }
    // With no translator left to remove or install, no LanguageChange was sent.
    if (!installed.Program && !installed.Qt)
        for (QWidget* window : QApplication::topLevelWidgets()) {
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(window, &change);
        }
}

QString CurrentLanguage() { return Installed().Language; }

void SetTrText(QObject* object, const char* context, const char* source)
{
    Keep(object, kTextProperty, context, source);
    RetranslateOne(object);
}

void SetTrToolTip(QObject* object, const char* context, const char* source)
{
    Keep(object, kToolTipProperty, context, source);
    RetranslateOne(object);
}

void SetTrPlaceholder(QObject* object, const char* context, const char* source)
{
    Keep(object, kPlaceholderProperty, context, source);
    RetranslateOne(object);
}

void SetTrTitle(QObject* window, const char* context, const char* source)
{
    Keep(window, kTitleProperty, context, source);
    RetranslateOne(window);
}

void SetTrTab(QWidget* page, const char* context, const char* source) { Keep(page, kTabProperty, context, source); }

void Retranslate(QObject* root)
{
    RetranslateOne(root);
    for (QObject* child : root->findChildren<QObject*>()) RetranslateOne(child);
}

}  // namespace mirelk::ui
