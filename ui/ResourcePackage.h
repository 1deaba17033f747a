#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace keywright::ui {

// The UI resource package: a folder ("uires" beside the executable) whose
// index names each resource by an id of the form "type:name" and maps it to
// a file in the folder.
//
//   <resources>
//     <file id="LAYOUT:XML_MAINWND" path="layout/main.ui"/>
//     <file id="translator:lang_cn" path="lang/cn.xml"/>
//   </resources>
//
// The index is the file "index.xml" at the top of the folder. The type of an
// id is matched without regard to case ("LAYOUT" and "layout" are one type),
// the name exactly. Paths are relative to the folder, with "/" between parts,
// and stay inside it.
class ResourcePackage {
  public:
    static constexpr const char* kIndexFile = "index.xml";

    // Reads the index of `folder`. False when it is missing, not well-formed
    // or breaks a rule (an unknown element, a file without id or path, an id
    // without type or name, an id listed twice, a path that leaves the
    // folder); the package is then empty and Error() says why, naming the
    // line.
    bool Open(const QString& folder);

    bool IsOpen() const { return open_; }
    const QString& Folder() const { return folder_; }
    const QString& Error() const { return error_; }

    // The full path of resource `id`; empty when the package has no such id.
    QString FilePath(const QString& id) const;
    // The bytes of resource `id`; nullopt when the package has no such id or
    // its file cannot be read.
    std::optional<QByteArray> Read(const QString& id) const;
    // Every id of the index, in index order.
    const QStringList& Ids() const { return ids_; }

  private:
    bool Fail(QString error);

    bool open_ = false;
    QString folder_;
    QString error_;
    QStringList ids_;
    QHash<QString, QString> paths_; // normalised id -> relative path
};

} // namespace keywright::ui
