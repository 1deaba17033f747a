#pragma once

#include <QString>

class QWidget;

namespace keywright::ui {

// Window texts follow the installed language. Each text a widget shows is
// kept with its source text (the layout's text, or the text given to
// SetText); a language change shows the source's translation, or the source
// itself when the language has none. Texts are translated in the empty
// context.

// The translation of `source` in the empty context with the installed
// language; `source` itself when there is none or no language is installed.
QString Tr(const QString& source);

// Shows the translation of `source` and keeps `source` for the next language
// change. The text is a label's or button's text, a group box's title, else
// the window title. An edit's contents are the user's and are set as given,
// untranslated.
void SetText(QWidget* widget, const QString& source);
void SetToolTip(QWidget* widget, const QString& source);

// The source text behind what SetText would set; empty when none is known.
QString SourceText(const QWidget* widget);

// Brings the texts of `widget` (not of its children) in line with the
// installed language: its text or title, window title, tooltip, an edit's
// placeholder, a combo box's item texts and a tab control's tab titles; then
// a Control's own Retranslate. A text that code replaced directly (without
// SetText) since the last translation becomes that text's new source.
void Retranslate(QWidget* widget);

// Retranslate for every widget of the application.
void RetranslateAll();

} // namespace keywright::ui
