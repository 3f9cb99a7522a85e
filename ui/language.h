// Qt's own dialogs (file dialog, message boxes, the text fields' context
// menus) in the forms' language, from Qt's translations.
#pragma once

namespace torv {

// Loads Qt's catalogues for `sprache` (1 Russian, 2 German; English needs
// none) in place of those loaded before. A catalogue that is not installed
// leaves Qt's English texts.
void useQtLanguage(int sprache);

} // namespace torv
