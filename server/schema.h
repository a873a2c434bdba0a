#pragma once

#include <QString>

class Database;

// The department's tables. A fresh file gets them all; a file of an older version is brought up to
// the current one step by step; a file written by a newer server is refused. The version lives in
// SQLite's user_version.
namespace Schema {

int currentVersion();
bool upgrade(Database &database, QString *error);

} // namespace Schema
