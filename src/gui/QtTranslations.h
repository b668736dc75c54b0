#pragma once

class QCoreApplication;
class QTranslator;

namespace kelbrin::gui {

// Loads Qt's own translations (the buttons of message boxes, the file dialog, …) for the
// user's language from Qt's translations folder; the translator lives as long as `application`.
// English when Qt has none for the language (the package qt6-translations-l10n holds them): null
// then, else the translator installed.
QTranslator* LoadQtTranslations(QCoreApplication& application);

}  // namespace kelbrin::gui
