#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QTranslator>
#include <memory>

namespace keywright::ui {

// One UI language: the translations of a "language" XML document.
//
//   <language name="cn">
//     <context name="">
//       <message><source>Firmware</source><translation>固件</translation></message>
//     </context>
//   </language>
//
// The document's top element is "language"; its "name" is cut to 64
// characters. A context without "name" is the empty context. Messages without
// source, or with an empty translation, are left out (the text then shows as
// it is); when a source repeats within a context the first one counts.
//
// It is also a QTranslator, so that Qt's own texts (the buttons of a message
// box, say) find their translation in the empty context when their own
// context has none.
class Language : public QTranslator {
    Q_OBJECT
  public:
    static constexpr qsizetype kMaxNameLength = 64;

    // Null when the document is not well-formed or its top element is not
    // "language"; `error` then says why.
    static std::unique_ptr<Language> FromXml(QByteArrayView document, QString* error = nullptr);

    const QString& Name() const { return name_; }

    // The translation of `source` in `context`, else in the empty context;
    // a null string when neither has one.
    QString Find(const QString& context, const QString& source) const;

    // While one lives on a thread, languages answer none of Qt's lookups
    // (QCoreApplication::translate) there. The layout loader reads a layout's
    // texts as written, to keep them as the sources, and Qt's form builder
    // translates some of them through those lookups whatever it is told.
    class QtLookupsPaused {
      public:
        QtLookupsPaused();
        ~QtLookupsPaused();
        QtLookupsPaused(const QtLookupsPaused&) = delete;
        QtLookupsPaused& operator=(const QtLookupsPaused&) = delete;
    };

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return contexts_.isEmpty(); }

  private:
    Language() = default;

    QString name_;
    QHash<QString, QHash<QString, QString>> contexts_;
};

} // namespace keywright::ui
