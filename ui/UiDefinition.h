#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>

namespace keywright::ui {

// The package's UI definition ("uidef:xml_init"): the string table, named
// colours, the skins and the style sheet.
//
//   <uidef>
//     <string>
//       <item name="instance_tag" value="Keywright-3b1f..."/>   <!-- index 0 -->
//     </string>
//     <color>
//       <item name="accent" value="#ff5a1f"/>
//     </color>
//     <skin>
//       <item name="skin_check" src="main:check_png" states="4"/>
//     </skin>
//     <style src="style:theme_qss"/>
//   </uidef>
//
// Every section is optional. A skin is an image resource cut into `states`
// frames side by side (1 when not given).
class UiDefinition {
  public:
    struct SkinEntry {
        QString image; // resource id of the image
        int states = 1;
    };

    // Replaces the definition. False when the document is not well-formed, its
    // top element is not "uidef", or an entry lacks its name, has a name
    // already used in its section, a colour that cannot be read or a state
    // count below 1; the definition is then empty and `error` says why.
    bool Load(QByteArrayView document, QString* error = nullptr);

    // The string table, in document order; an index or name that is not
    // there gives an empty string.
    QString String(int index) const;
    QString String(const QString& name) const;
    qsizetype StringCount() const { return stringValues_.size(); }

    // "@string/name" gives that string when the table has it; any other text
    // is returned as it is.
    QString Expand(const QString& text) const;

    // An invalid colour when there is none of that name.
    QColor Color(const QString& name) const;

    // Null when there is no skin of that name.
    const SkinEntry* Skin(const QString& name) const;

    // Resource id of the style sheet; empty when the definition names none.
    const QString& StyleSheet() const { return styleSheet_; }

  private:
    QStringList stringNames_;
    QStringList stringValues_;
    QHash<QString, QColor> colors_;
    QHash<QString, SkinEntry> skins_;
    QString styleSheet_;
};

} // namespace keywright::ui
