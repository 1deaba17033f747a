#pragma once

#include "ui/ControlIds.h"
#include "ui/LayoutLoader.h"
#include "ui/ResourcePackage.h"
#include "ui/Skin.h"
#include "ui/Timeline.h"
#include "ui/Translator.h"
#include "ui/UiDefinition.h"
#include "ui/WidgetRegistry.h"

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

namespace keywright::ui {

// The toolkit of one running program: its resource package and UI
// definition, widget classes, named-ID table, installed language and
// animation timeline. Made once at start-up, after the QApplication and
// before any window; while it lives it is Toolkit::Instance(), through which
// widgets made by layouts find their skins, images and texts. Windows are
// destroyed before it.
class Toolkit {
  public:
    Toolkit();
    ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    // The live toolkit; null when there is none.
    static Toolkit* Instance();

    // Opens the package folder (see ResourcePackage::Open).
    bool OpenPackage(const QString& folder);
    ResourcePackage& Package() { return package_; }
    const ResourcePackage& Package() const { return package_; }

    // Loads the UI definition resource `id` (usually "uidef:xml_init") and
    // applies its style sheet to the application. False, changing nothing,
    // when it cannot be read or loaded (see UiDefinition::Load) or names a
    // style sheet the package does not have.
    bool LoadDefinition(const QString& id, QString* error = nullptr);
    const UiDefinition& Definition() const { return definition_; }

    WidgetRegistry& Registry() { return registry_; }
    ControlIds& Ids() { return ids_; }
    const ControlIds& Ids() const { return ids_; }

    // Installs the language resource "translator:<name>". False, leaving the
    // installed language as it is, when the package has no such resource or
    // it is not a language document.
    bool LoadLanguage(const QString& name, QString* error = nullptr);
    Translator& Translation() { return translator_; }
    const Translator& Translation() const { return translator_; }

    Timeline& AnimationTimeline() { return timeline_; }

    // The layout resource `id` built as a child of `parent` (or as a window
    // when `parent` is null); null when the package has no such layout or it
    // cannot be loaded, `error` then saying why.
    QWidget* LoadLayout(const QString& id, QWidget* parent, QString* error = nullptr);

    // The image resource `id` for a screen scale of `scale`: at a scale above
    // 1 the file's "@2x" twin ("keys@2x.png" beside "keys.png") when the
    // package has one, marked as such. A null pixmap when there is no such
    // image.
    QPixmap Image(const QString& id, qreal scale = 1.0);
    // The skin `name` of the UI definition at `scale`; the null skin when
    // there is none or its image is missing.
    Skin FindSkin(const QString& name, qreal scale = 1.0);
    // The icon resource `id`, with its "@2x" twin when there is one; a null
    // icon when there is none.
    QIcon Icon(const QString& id) const;

  private:
    ResourcePackage package_;
    UiDefinition definition_;
    WidgetRegistry registry_;
    ControlIds ids_;
    Translator translator_;
    Timeline timeline_;
    LayoutLoader loader_;
    QHash<QString, QPixmap> images_; // by id and scale
};

// Shorthands for widgets, safe without a toolkit (they then find nothing).
Skin FindSkin(const QString& name, const QWidget* widget);
QPixmap FindImage(const QString& id, const QWidget* widget);
// A string-resource reference ("@string/name") expanded; other text as it is.
QString ExpandString(const QString& text);
// The animation timeline; null without a toolkit.
Timeline* SharedTimeline();

} // namespace keywright::ui
