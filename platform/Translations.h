#pragma once

class QCoreApplication;

namespace Translations {

// Loads Qt's Italian translation of its standard dialogs and buttons whatever the system's
// locale, and makes Italian the default locale. Returns whether the translation was found.
bool installItalian(QCoreApplication &app);

} // namespace Translations
