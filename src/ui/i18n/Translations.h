#pragma once

class QCoreApplication;

namespace tavolin::i18n {

// Installs on `app` the catalogs of the user's language as the environment gives it (LANGUAGE, then LC_ALL,
// LC_MESSAGES, LANG): Tavolin's own, embedded in the program, and Qt's own (its dialogs' buttons) when the
// system has it. English, or a language without a catalog, installs nothing: the sources are English.
void installTranslations(QCoreApplication &app);

} // namespace tavolin::i18n
