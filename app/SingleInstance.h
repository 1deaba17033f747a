#pragma once

#include "platform/NamedLocks.h"

#include <QLocalServer>
#include <QString>
#include <functional>
#include <memory>

namespace keywright::app {

// One running instance per user. The first instance listens on a local
// socket named after the instance tag and the user; a later start that
// reaches it asks it to bring its window forward and ends. The check and the
// listening are one step under the named lock of the instance tag, so two
// starts at the same moment cannot both become the first. The socket dies
// with the process; a socket file left behind by a crash answers nobody and
// is replaced.
class SingleInstance {
  public:
    // `name`: the socket's name (see ServerName).
    SingleInstance(platform::NamedLocks& locks, QString tag, QString name);
    ~SingleInstance();

    // The socket name of `tag` for the current user.
    static QString ServerName(const QString& tag);

    // True when this is the first instance: it now listens, and calls
    // `onAsked` (on the UI thread) each time a later start asks for the
    // window. False when another instance took the request.
    bool Claim(std::function<void()> onAsked);

  private:
    bool AskRunningInstance() const;

    platform::NamedLocks& locks_;
    QString tag_;
    QString name_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace keywright::app
