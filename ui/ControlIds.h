#pragma once

#include <QHash>
#include <QString>
#include <span>

namespace keywright::ui {

// One row of a named-ID table.
struct NamedId {
    const char* name; // UTF-8
    int id;
};

// The named-ID table: layout controls with one of its names get its ID when
// a layout is loaded, whatever "id" the layout gives them. Names are
// case-sensitive.
class ControlIds {
  public:
    // Replaces the table. When a name appears twice its first row counts;
    // rows with an empty name or ID 0 are left out.
    void Register(std::span<const NamedId> table);

    // 0 when the name is not in the table.
    int IdOf(const QString& name) const { return ids_.value(name, 0); }
    // Empty when no name has that ID.
    QString NameOf(int id) const { return names_.value(id); }
    qsizetype Size() const { return ids_.size(); }

  private:
    QHash<QString, int> ids_;
    QHash<int, QString> names_;
};

} // namespace keywright::ui
