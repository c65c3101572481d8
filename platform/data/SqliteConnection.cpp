// The SQLite back end: a read-only file in one read transaction, each run one prepared statement.
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/data/DataSet.h"
#include "platform/data/SqlConnection.h"

namespace zv::detail {

namespace {

// Days between 1899-12-30 and the Unix epoch, and the Julian day number of 1899-12-30.
constexpr double kUnixEpochDay = 25569;
constexpr double kJulianDayOfZero = 2415018.5;

[[noreturn]] void Fail(sqlite3* db, const std::string& context = {})
{
    throw Exception(context + DatabaseMessage(db ? sqlite3_errmsg(db) : "out of memory"));
}

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const std::string& sql, const std::vector<Variant>& params) : db_(db)
    {
        const std::string text = Cp1252ToUtf8(sql);
        const char* tail = nullptr;
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &stmt, &tail);
        stmt_.reset(stmt);  // finalized even when the checks below throw
        if (rc != SQLITE_OK) Fail(db);
        if (!stmt_) throw Exception("The query is empty");
        for (; tail && *tail; ++tail)
            if (static_cast<unsigned char>(*tail) > ' ' && *tail != ';')
                throw Exception("Only one statement is allowed");
        const int expected = sqlite3_bind_parameter_count(stmt_.get());
        if (static_cast<size_t>(expected) != params.size())
            throw Exception("The query has " + std::to_string(expected) + " parameters, " +
                            std::to_string(params.size()) + " given");
        for (int i = 0; i < expected; ++i) bind(i + 1, params[static_cast<size_t>(i)]);
    }
    sqlite3_stmt* get() const { return stmt_.get(); }
    // True on a row, false at the end; throws the database's message otherwise.
    bool step()
    {
        const int rc = sqlite3_step(stmt_.get());
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail(db_);
    }

private:
    void bind(int index, const Variant& v)
    {
        int rc = SQLITE_OK;
        switch (v.type()) {
        case VarType::Empty:
        case VarType::Null: rc = sqlite3_bind_null(stmt_.get(), index); break;
        case VarType::Byte:
        case VarType::Integer: rc = sqlite3_bind_int64(stmt_.get(), index, v.rawInt()); break;
        case VarType::Boolean: rc = sqlite3_bind_int64(stmt_.get(), index, v.rawBool() ? 1 : 0); break;
        case VarType::Double: rc = sqlite3_bind_double(stmt_.get(), index, v.rawDouble()); break;
        default: {
            const std::string text = *SqlParamText(v);
            rc = sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        }
        if (rc != SQLITE_OK) Fail(db_);
    }

    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt_{nullptr, &sqlite3_finalize};
};

class SqliteCursor : public SqlCursor {
public:
    SqliteCursor(sqlite3* db, const std::string& sql, const std::vector<Variant>& params) : stmt_(db, sql, params)
    {
        // The first row is read at once: a column without a declared type takes the kind of its
        // first value.
        hasRow_ = stmt_.step();
        const int n = sqlite3_column_count(stmt_.get());
        for (int i = 0; i < n; ++i) {
            const char* name = sqlite3_column_name(stmt_.get(), i);
            const char* declared = sqlite3_column_decltype(stmt_.get(), i);
            FieldDef def = FieldFromDeclaredType(Utf8ToCp1252(name ? name : ""), declared ? declared : "");
            if (def.dataType == ftUnknown) def.dataType = UndeclaredType(i);
            if (def.dataType == ftString && def.size == 0) def.size = kSqlStringSize;
            fields_.push_back(std::move(def));
        }
    }

    bool fetch(Record& row) override
    {
        if (!hasRow_) return false;
        row.resize(fields_.size());
        for (size_t i = 0; i < fields_.size(); ++i) read(static_cast<int>(i), fields_[i], row[i]);
        hasRow_ = stmt_.step();
        return true;
    }

private:
    TFieldType UndeclaredType(int column) const
    {
        switch (hasRow_ ? sqlite3_column_type(stmt_.get(), column) : SQLITE_NULL) {
        case SQLITE_INTEGER: return ftLargeint;  // later rows may need the 64 bits
        case SQLITE_FLOAT: return ftFloat;
        case SQLITE_BLOB: return ftBlob;
        default: return ftString;
        }
    }

    void read(int column, const FieldDef& def, FieldData& out) const
    {
        sqlite3_stmt* s = stmt_.get();
        out = FieldData();
        const int storage = sqlite3_column_type(s, column);
        if (storage == SQLITE_NULL) return;
        const TFieldType t = def.dataType;
        // Numbers stored as numbers: integers as they are, dates as Unix seconds or Julian days.
        if (storage == SQLITE_INTEGER && IsIntegerType(t)) {
            out.i = sqlite3_column_int64(s, column);
            out.null = false;
            if (IntegerFits(t, out.i)) return;
        } else if ((storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) && (t == ftFloat || t == ftCurrency)) {
            out.d = sqlite3_column_double(s, column);
            out.null = false;
            return;
        } else if ((storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) && IsDateType(t)) {
            const double v = sqlite3_column_double(s, column);
            out.d = storage == SQLITE_INTEGER ? kUnixEpochDay + v / 86400 : v - kJulianDayOfZero;
            out.null = false;
            if (NormalizeFieldDateTime(t, out.d)) return;
        } else if (storage == SQLITE_FLOAT && t == ftBCD) {
            const double v = std::nearbyint(sqlite3_column_double(s, column) * 10000);
            out.i = static_cast<int64_t>(std::clamp(v, -9.2e18, 9.2e18));
            out.null = false;
            if (std::fabs(v) < 9.2e18) return;
        }
        const auto* bytes = static_cast<const char*>(storage == SQLITE_BLOB ? sqlite3_column_blob(s, column)
                                                                            : sqlite3_column_text(s, column));
        const std::string_view text(bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(s, column)));
        // A blob in a text column is kept as its bytes.
        if (storage == SQLITE_BLOB && IsTextType(t)) {
            out.null = false;
            out.s.assign(text);
            return;
        }
        ParseSqlText(def, text, out);
    }

    SqliteStatement stmt_;
    bool hasRow_ = false;
};

class SqliteConnection : public SqlConnection {
public:
    SqliteConnection(const std::string& path, SqlAccess access)
    {
        const std::string file = Cp1252ToUtf8(path);
        const int flags = access == SqlAccess::Read ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string message = DatabaseMessage(db_ ? sqlite3_errmsg(db_) : "out of memory");
            sqlite3_close_v2(db_);
            throw Exception("Cannot open database " + path + ": " + message);
        }
        sqlite3_busy_timeout(db_, 5000);
        // One transaction: the count and every run of the query see the same rows.
        if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string message = DatabaseMessage(sqlite3_errmsg(db_));
            sqlite3_close_v2(db_);
            throw Exception(message);
        }
    }
    ~SqliteConnection() override { sqlite3_close_v2(db_); }  // an open transaction is rolled back

    void execute(const std::string& sql, const std::vector<Variant>& params) override
    {
        SqliteStatement stmt(db_, sql, params);
        while (stmt.step()) {}
    }

    void commit() override
    {
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db_);
    }

    int64_t count(const std::string& sql, const std::vector<Variant>& params) override
    {
        SqliteStatement stmt(db_, CountQuery(sql), params);
        return stmt.step() ? sqlite3_column_int64(stmt.get(), 0) : 0;
    }

    std::unique_ptr<SqlCursor> run(const std::string& sql, const std::vector<Variant>& params) override
    {
        return std::make_unique<SqliteCursor>(db_, sql, params);
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<SqlConnection> ConnectSqlite(const std::string& path, SqlAccess access)
{
    return std::make_unique<SqliteConnection>(path, access);
}

}  // namespace zv::detail
