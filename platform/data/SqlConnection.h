// SQL connections: the rows of a query, read in order from an SQLite file or a PostgreSQL server.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/data/Field.h"

namespace zv {

// The rows of one run of a query, in order. Texts (query, names, values) are Windows-1252 here
// and UTF-8 towards the database.
class SqlCursor {
public:
    virtual ~SqlCursor() = default;
    // The result columns as fields, known as soon as the cursor exists.
    const std::vector<FieldDef>& fields() const { return fields_; }
    // Reads the next row into row (one value per field, null for SQL NULL); false after the last
    // row. Throws Exception with the database's message.
    virtual bool fetch(Record& row) = 0;

protected:
    std::vector<FieldDef> fields_;
};

// One connection inside one transaction, so that the count of a query and every run of it see
// the same rows. Parameters are bound by position ("?" or "?N" in SQLite, "$N" in PostgreSQL),
// never put into the query text.
class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    // A statement that gives no rows (a writing connection's CREATE TABLE, INSERT).
    virtual void execute(const std::string& sql, const std::vector<Variant>& params) = 0;
    // Ends the transaction keeping what it wrote; a connection let go without it keeps nothing.
    virtual void commit() = 0;
    virtual int64_t count(const std::string& sql, const std::vector<Variant>& params) = 0;
    // Only one cursor of a connection may exist at a time.
    virtual std::unique_ptr<SqlCursor> run(const std::string& sql, const std::vector<Variant>& params) = 0;
};

enum class SqlAccess : uint8_t { Read, Write };

// A "postgres://" or "postgresql://" URI connects to a server; anything else is an SQLite file.
// Reading, the transaction is read-only and a missing SQLite file is an error; writing creates the
// file. Throws Exception with the database's message.
std::unique_ptr<SqlConnection> ConnectSql(const std::string& database, SqlAccess access = SqlAccess::Read);

namespace detail {

std::unique_ptr<SqlConnection> ConnectSqlite(const std::string& path, SqlAccess access);
std::unique_ptr<SqlConnection> ConnectPostgres(const std::string& uri, SqlAccess access);

// Longest text a string column without a declared length shows (its field size).
constexpr int kSqlStringSize = 255;
// The field for a column of the declared type ("VARCHAR(40)", "NUMERIC(10,2)", "BIGINT"), by
// the substrings SQLite and PostgreSQL type names share; ftUnknown when nothing matches.
FieldDef FieldFromDeclaredType(std::string name, std::string_view declared);
// The integer types, and whether v is within the range of one.
bool IsIntegerType(TFieldType t);
bool IntegerFits(TFieldType t, int64_t v);
// A value the database gave as UTF-8 text (bytes for binary fields), as the field holds it.
// Throws Exception naming the field when the text does not fit its type.
void ParseSqlText(const FieldDef& def, std::string_view text, FieldData& out);
// A parameter as the databases read it from text (UTF-8, numbers with a point, dates in ISO
// form); none for null and empty.
std::optional<std::string> SqlParamText(const Variant& v);
// The query that counts the rows of sql.
std::string CountQuery(std::string_view sql);
// The Windows-1252 text of a database message, without trailing blanks and line ends.
std::string DatabaseMessage(std::string_view utf8);

}  // namespace detail

}  // namespace zv
