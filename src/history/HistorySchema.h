// The tables of a history store (docs/HISTORY.md), their version in
// PRAGMA user_version and the file's mark in PRAGMA application_id. A writer
// creates them in a new file and brings an older file up to this version; a file
// of a newer version, or one that is no history store, is refused with a reason.
#pragma once

#include <cstdint>
#include <string>

#include "history/SqliteDb.h"

namespace ravo {

constexpr int kHistorySchemaVersion = 2;
// Rows of `recent` take this seq in `readings` plus their id.
constexpr std::int64_t kRecentSeqBase = 1000;
// "RAVO" in the file's header: the file is a history store.
constexpr std::int64_t kHistoryApplicationId = 0x5241564F;

// How long a connection waits for another one's lock before it gives up.
constexpr int kHistoryBusyTimeoutMs = 5000;

// For the writer (and the importer): WAL, a busy wait, then the tables created or
// migrated. False with a one-line reason.
bool prepareHistoryWriter(SqliteDb& db, const std::string& path, int busyTimeoutMs, std::string& error);

// For a reader on a connection of its own, read-only: a busy wait, then the
// version checked (an empty or older file holds nothing to read as it is).
bool prepareHistoryReader(SqliteDb& db, const std::string& path, std::string& error);

}  // namespace ravo
