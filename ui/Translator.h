#pragma once

#include "ui/Language.h"

#include <QString>
#include <memory>

namespace keywright::ui {

// Holds the one installed UI language. Installing a language (or none)
// re-translates every window text of the application at once, before Install
// returns; windows created later are translated as they are loaded.
class Translator {
  public:
    Translator() = default;
    ~Translator(); // removes its language from the application
    Translator(const Translator&) = delete;
    Translator& operator=(const Translator&) = delete;

    // Replaces the installed language; null installs none, so texts show as
    // they are written.
    void Install(std::unique_ptr<Language> language);

    // The installed language; null when none.
    const Language* Current() const { return language_.get(); }

    // The translation of `source` in `context` (else in the empty context),
    // or `source` itself when the language has none or none is installed.
    QString Translate(const QString& context, const QString& source) const;

  private:
    std::unique_ptr<Language> language_;
};

} // namespace keywright::ui
