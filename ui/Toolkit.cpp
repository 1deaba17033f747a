#include "ui/Toolkit.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

namespace keywright::ui {
namespace {

Toolkit* instance = nullptr;

// "dir/name@2x.png" for "dir/name.png".
QString TwinAt2x(const QString& path) {
    const QFileInfo info(path);
    const QString suffix = info.completeSuffix();
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return suffix.isEmpty() ? base + QStringLiteral("@2x") : base + QStringLiteral("@2x.") + suffix;
}

} // namespace

Toolkit::Toolkit() : loader_(registry_, ids_) {
    Q_ASSERT(instance == nullptr);
    instance = this;
}

Toolkit::~Toolkit() {
    instance = nullptr;
}

Toolkit* Toolkit::Instance() {
    return instance;
}

bool Toolkit::OpenPackage(const QString& folder) {
    images_.clear();
    return package_.Open(folder);
}

bool Toolkit::LoadDefinition(const QString& id, QString* error) {
    const auto bytes = package_.Read(id);
    if (!bytes) {
        if (error != nullptr)
            *error = QStringLiteral("%1: no such resource").arg(id);
        return false;
    }
    UiDefinition definition;
    if (!definition.Load(*bytes, error))
        return false;
    QString styleSheet;
    if (!definition.StyleSheet().isEmpty()) {
        const auto style = package_.Read(definition.StyleSheet());
        if (!style) {
            if (error != nullptr)
                *error = QStringLiteral("%1: no such resource").arg(definition.StyleSheet());
            return false;
        }
        styleSheet = QString::fromUtf8(*style);
    }
    definition_ = std::move(definition);
    qApp->setStyleSheet(styleSheet);
    return true;
}

bool Toolkit::LoadLanguage(const QString& name, QString* error) {
    const QString id = QStringLiteral("translator:") + name;
    const auto bytes = package_.Read(id);
    if (!bytes) {
        if (error != nullptr)
            *error = QStringLiteral("%1: no such resource").arg(id);
        return false;
    }
    auto language = Language::FromXml(*bytes, error);
    if (language == nullptr)
        return false;
    translator_.Install(std::move(language));
    return true;
}

QWidget* Toolkit::LoadLayout(const QString& id, QWidget* parent, QString* error) {
    const auto bytes = package_.Read(id);
    if (!bytes) {
        if (error != nullptr)
            *error = QStringLiteral("%1: no such resource").arg(id);
        return nullptr;
    }
    return loader_.Load(*bytes, QFileInfo(package_.FilePath(id)).absolutePath(), parent, error);
}

QPixmap Toolkit::Image(const QString& id, qreal scale) {
    const bool large = scale > 1.0;
    const QString key = id + (large ? QStringLiteral("@2x") : QString());
    if (const auto it = images_.constFind(key); it != images_.constEnd())
        return *it;
    const QString path = package_.FilePath(id);
    if (path.isEmpty())
        return {};
    QPixmap pixmap;
    if (large && QFileInfo::exists(TwinAt2x(path)) && pixmap.load(TwinAt2x(path)))
        pixmap.setDevicePixelRatio(2.0);
    else if (pixmap.load(path))
        pixmap.setDevicePixelRatio(1.0);
    if (!pixmap.isNull())
        images_.insert(key, pixmap);
    return pixmap;
}

Skin Toolkit::FindSkin(const QString& name, qreal scale) {
    const UiDefinition::SkinEntry* entry = definition_.Skin(name);
    if (entry == nullptr)
        return {};
    return Skin(Image(entry->image, scale), entry->states);
}

QIcon Toolkit::Icon(const QString& id) const {
    const QString path = package_.FilePath(id);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    QIcon icon(path); // picks up an "@2x" twin by itself
    return icon.pixmap(QSize(16, 16)).isNull() ? QIcon() : icon;
}

Skin FindSkin(const QString& name, const QWidget* widget) {
    Toolkit* toolkit = Toolkit::Instance();
    if (toolkit == nullptr)
        return {};
    return toolkit->FindSkin(name, widget != nullptr ? widget->devicePixelRatioF() : 1.0);
}

QPixmap FindImage(const QString& id, const QWidget* widget) {
    Toolkit* toolkit = Toolkit::Instance();
    if (toolkit == nullptr)
        return {};
    return toolkit->Image(id, widget != nullptr ? widget->devicePixelRatioF() : 1.0);
}

QString ExpandString(const QString& text) {
    const Toolkit* toolkit = Toolkit::Instance();
    return toolkit != nullptr ? toolkit->Definition().Expand(text) : text;
}

Timeline* SharedTimeline() {
    Toolkit* toolkit = Toolkit::Instance();
    return toolkit != nullptr ? &toolkit->AnimationTimeline() : nullptr;
}

} // namespace keywright::ui
