// A thin hold on SQLite: a connection and its prepared statements, closed when
// they go out of scope, and the error texts of failed calls.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ravo {

class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb() { close(); }
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens `path` read-write (created when missing and `create`) or read-only.
    // False with a reason.
    bool open(const std::string& path, bool readOnly, bool create, std::string& error);
    void close();
    sqlite3* get() const { return db_; }
    explicit operator bool() const { return db_ != nullptr; }

    // Runs statements that return no rows. False with the reason in `error`.
    bool exec(const char* sql, std::string& error);
    // One integer of a query such as a PRAGMA, or `fallback` when it gives no row.
    bool integer(const char* sql, std::int64_t& out, std::string& error, std::int64_t fallback = 0);
    // The text of the last failure on this connection.
    std::string lastError() const;
    int lastCode() const { return db_ ? sqlite3_extended_errcode(db_) : SQLITE_MISUSE; }

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement() = default;
    ~SqliteStatement() { sqlite3_finalize(stmt_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool prepare(const SqliteDb& db, std::string_view sql, std::string& error);
    void finalize() {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
    sqlite3_stmt* get() const { return stmt_; }

    // Binds by position, counted from 1.
    void bindNull(int i) { sqlite3_bind_null(stmt_, i); }
    void bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
    void bind(int i, double v) { sqlite3_bind_double(stmt_, i, v); }
    void bind(int i, std::string_view text) {
        sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    // A text that stays as it is until the statement is reset.
    void bindStatic(int i, std::string_view text) {
        sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return sqlite3_step(stmt_); }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

    bool isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
    std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
    double real(int col) const { return sqlite3_column_double(stmt_, col); }
    std::string_view text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
        return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col))) : std::string_view();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Words for a failed call, e.g. "database or disk is full", "database is locked".
std::string sqliteReason(int code);

}  // namespace ravo
