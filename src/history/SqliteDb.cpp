#include "history/SqliteDb.h"

namespace ravo {

bool SqliteDb::open(const std::string& path, bool readOnly, bool create, std::string& error) {
    close();
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (!readOnly && create) flags |= SQLITE_OPEN_CREATE;
    // Each connection is used by one thread at a time.
    flags |= SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : sqliteReason(rc);
        if (rc == SQLITE_CANTOPEN) error = "cannot open the file (missing, or its folder is)";
        sqlite3_close(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    db_ = db;
    return true;
}

void SqliteDb::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool SqliteDb::exec(const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : lastError();
    sqlite3_free(message);
    return false;
}

bool SqliteDb::integer(const char* sql, std::int64_t& out, std::string& error, std::int64_t fallback) {
    SqliteStatement s;
    if (!s.prepare(*this, sql, error)) return false;
    const int rc = s.step();
    if (rc == SQLITE_ROW) {
        out = s.isNull(0) ? fallback : s.integer(0);
        return true;
    }
    if (rc == SQLITE_DONE) {
        out = fallback;
        return true;
    }
    error = lastError();
    return false;
}

std::string SqliteDb::lastError() const { return db_ ? sqlite3_errmsg(db_) : "no database"; }

bool SqliteStatement::prepare(const SqliteDb& db, std::string_view sql, std::string& error) {
    finalize();
    if (sqlite3_prepare_v3(db.get(), sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_,
                           nullptr) == SQLITE_OK)
        return true;
    error = db.lastError();
    return false;
}

std::string sqliteReason(int code) { return sqlite3_errstr(code); }

}  // namespace ravo
