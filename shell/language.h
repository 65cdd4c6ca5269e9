// The window's language, chosen once at start-up from the desktop's
// (QLocale::system(), which follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG).
//
// The program's own texts are written in the Dutch and English the window
// has always shown; they stay as they are under a Dutch desktop and under
// the plain C/POSIX locale, where scripts and tests run. Any other language
// is looked up among the translations embedded in the program (one
// translations/mergola_<language>.ts each), in the desktop's order of
// preference; without one, the window is English. Qt's own dialogs follow
// in the same language where Qt ships a translation for it.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

namespace mergola {

class WindowLanguage {
public:
    // Installs the translators into the application for the life of this
    // object; the widgets built after that show the chosen language.
    explicit WindowLanguage(const QLocale &desktop);
    ~WindowLanguage();
    WindowLanguage(const WindowLanguage &) = delete;
    WindowLanguage &operator=(const WindowLanguage &) = delete;

    // "nl" for the program's own texts, else the translation's language ("en").
    QString name() const;

private:
    bool loadProgram(const QLocale &language);
    void loadQt(const QLocale &language);

    QTranslator m_program;
    QTranslator m_qt;
};

} // namespace mergola
