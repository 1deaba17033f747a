#pragma once

#include <QString>

namespace keywright::app {

// The text that names the running instance: entry 0 of the UI package's
// string table, looked up afresh at every use. Empty without a toolkit or
// string table.
QString InstanceTag();

} // namespace keywright::app
