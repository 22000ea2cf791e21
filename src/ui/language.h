// The languages of the windows. Texts are written in English in the sources and translated with
// Qt's tools: a ".ts" file per language under src/ui/translations, made into ".qm" files by the
// build and compiled into the program. Engine messages and log lines stay English.
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

namespace mirelk::ui {

// The languages the program has, by locale name: "zh_CN" and "en".
QStringList AvailableLanguages();
// The language's own name for itself, as the language menu shows it ("简体中文", "English").
QString LanguageName(const QString& language);
// Chinese for a zh_* locale, English for every other one.
QString LanguageForLocale(const QLocale& locale);
// The saved choice when the program has that language, else the locale's.
QString ChooseLanguage(const QString& saved, const QLocale& locale);
// Replaces the program's and Qt's translators by those of the language; every window then gets a
// LanguageChange event. A language the program does not have falls back to English.
void InstallLanguage(const QString& language);
QString CurrentLanguage();

// QCoreApplication::translate under a shorter name (lupdate is told of it).
inline QString Tr(const char* context, const char* source) { return QCoreApplication::translate(context, source); }

// Widget texts kept in English beside the widget, so that a language switch can translate them
// again. Context and source are those a QT_TRANSLATE_NOOP at the call names.
void SetTrText(QObject* object, const char* context, const char* source);
void SetTrToolTip(QObject* object, const char* context, const char* source);
void SetTrPlaceholder(QObject* object, const char* context, const char* source);
void SetTrTitle(QObject* window, const char* context, const char* source);
// A tab's caption, kept on the page.
void SetTrTab(QWidget* page, const char* context, const char* source);
// Translates every text kept with SetTr* in the object and its children.
void Retranslate(QObject* root);

}  // namespace mirelk::ui
