#include "ui/Translator.h"

#include "ui/WindowTexts.h"

#include <QCoreApplication>

namespace keywright::ui {

Translator::~Translator() {
    if (language_ != nullptr && QCoreApplication::instance() != nullptr)
        QCoreApplication::removeTranslator(language_.get());
}

void Translator::Install(std::unique_ptr<Language> language) {
    if (language_ != nullptr)
        QCoreApplication::removeTranslator(language_.get());
    language_ = std::move(language);
    if (language_ != nullptr)
        QCoreApplication::installTranslator(language_.get());
    // Qt posts its own language-change events; the texts change now instead,
    // so that a caller sees them translated as soon as this returns.
    RetranslateAll();
}

QString Translator::Translate(const QString& context, const QString& source) const {
    if (language_ == nullptr)
        return source;
    QString translation = language_->Find(context, source);
    return translation.isNull() ? source : translation;
}

} // namespace keywright::ui
