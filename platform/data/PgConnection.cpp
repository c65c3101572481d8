// The PostgreSQL back end (libpq, loaded on the first connection): one repeatable-read
// transaction, each run a cursor read in batches.
#include <libpq-fe.h>

#include <charconv>
#include <memory>
#include <optional>

#include "platform/base/Error.h"
#include "platform/base/SharedLibrary.h"
#include "platform/base/Text.h"
#include "platform/data/SqlConnection.h"

namespace zv::detail {

namespace {

// Rows asked of the server per FETCH.
constexpr int kFetchRows = 500;
constexpr const char* kCursorName = "zv_rows";

// The libpq functions used here, taken from the library the first time a connection is made.
// clang-format off
#define ZV_LIBPQ_FUNCTIONS(X) \
    X(PQclear) X(PQconnectdb) X(PQerrorMessage) X(PQexecParams) X(PQfinish) X(PQfmod) X(PQfname) \
    X(PQftype) X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQnfields) X(PQntuples) \
    X(PQresultErrorField) X(PQresultStatus) X(PQsetClientEncoding) X(PQsetNoticeProcessor) \
    X(PQstatus)
// clang-format on

ZV_SHARED_LIBRARY_API(LibPq, Pq, ZV_LIBPQ_FUNCTIONS, ZV_LIBPQ_SONAME, "the PostgreSQL client library")

struct ClearResult {
    void operator()(PGresult* r) const { Pq().PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ClearResult>;

// The declared type a column of this type OID and modifier would have, as FieldFromDeclaredType
// reads it. The OIDs are fixed by the server's catalogue.
std::string DeclaredType(Oid type, int modifier)
{
    // A modifier is the declared length + 4, or (precision << 16 | scale) + 4.
    const int m = modifier - 4;
    switch (type) {
    case 16: return "BOOLEAN";
    case 17: return "BYTEA";
    case 20: return "BIGINT";
    case 21: return "SMALLINT";
    case 23: return "INTEGER";
    case 26: return "BIGINT";  // oid
    case 25: return "TEXT";
    case 700:
    case 701: return "DOUBLE";
    case 790: return "MONEY";
    case 1042: return m > 0 ? "CHAR(" + std::to_string(m) + ")" : "TEXT";
    case 1043: return m > 0 ? "VARCHAR(" + std::to_string(m) + ")" : "TEXT";
    case 1082: return "DATE";
    case 1083:
    case 1266: return "TIME";
    case 1114:
    case 1184: return "TIMESTAMP";
    case 1700:
        return m >= 0 ? "NUMERIC(" + std::to_string((m >> 16) & 0xFFFF) + "," + std::to_string(m & 0xFFFF) + ")"
                      : "NUMERIC";
    default: return "TEXT";
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a bytea value in the server's hex output ("\x0a1b...").
std::string HexBytes(std::string_view text, const FieldDef& def)
{
    std::string out;
    if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2 != 0)
        throw Exception("Invalid binary value for field '" + def.name + "'");
    out.reserve(text.size() / 2 - 1);
    for (size_t i = 2; i < text.size(); i += 2) {
        const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) throw Exception("Invalid binary value for field '" + def.name + "'");
        out += static_cast<char>(hi << 4 | lo);
    }
    return out;
}

class PgConnection : public SqlConnection {
public:
    PgConnection(const std::string& uri, SqlAccess access) : conn_(Pq().PQconnectdb(Cp1252ToUtf8(uri).c_str()))
    {
        if (!conn_ || Pq().PQstatus(conn_) != CONNECTION_OK) {
            const std::string message = DatabaseMessage(conn_ ? Pq().PQerrorMessage(conn_) : "out of memory");
            Pq().PQfinish(conn_);
            throw Exception("Cannot connect to the database: " + message);
        }
        // The server's notices (a warning that it is shutting down) are not ours to print.
        Pq().PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        // Texts in UTF-8, dates in ISO form and money without a local currency sign, whatever
        // the server's defaults; one snapshot for the count and every run of the query.
        try {
            if (Pq().PQsetClientEncoding(conn_, "UTF8") != 0)
                throw Exception(DatabaseMessage(Pq().PQerrorMessage(conn_)));
            exec("SET DateStyle TO ISO, YMD", {}, PGRES_COMMAND_OK);
            exec("SET lc_monetary TO 'C'", {}, PGRES_COMMAND_OK);
            exec(access == SqlAccess::Read ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY" : "BEGIN", {},
                 PGRES_COMMAND_OK);
        } catch (...) {
            Pq().PQfinish(conn_);
            throw;
        }
    }
    ~PgConnection() override { Pq().PQfinish(conn_); }  // an open transaction is rolled back

    void execute(const std::string& sql, const std::vector<Variant>& params) override
    {
        exec(sql, params, PGRES_COMMAND_OK);
    }
    void commit() override { exec("COMMIT", {}, PGRES_COMMAND_OK); }

    // Runs sql with the parameters as text (their types are the server's to infer); throws the
    // server's message unless the result has the expected status.
    Result exec(const std::string& sql, const std::vector<Variant>& params, ExecStatusType expected)
    {
        std::vector<std::optional<std::string>> texts;
        std::vector<const char*> values;
        for (const Variant& p : params) texts.push_back(SqlParamText(p));
        for (const auto& t : texts) values.push_back(t ? t->c_str() : nullptr);
        const std::string text = Cp1252ToUtf8(sql);
        Result r(Pq().PQexecParams(conn_, text.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                   nullptr, nullptr, 0));
        if (!r || Pq().PQresultStatus(r.get()) != expected) {
            const char* primary = r ? Pq().PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
            throw Exception(DatabaseMessage(primary ? primary : Pq().PQerrorMessage(conn_)));
        }
        return r;
    }

    int64_t count(const std::string& sql, const std::vector<Variant>& params) override
    {
        Result r = exec(CountQuery(sql), params, PGRES_TUPLES_OK);
        int64_t n = 0;
        if (Pq().PQntuples(r.get()) != 1) throw Exception("Invalid row count");
        const char* text = Pq().PQgetvalue(r.get(), 0, 0);
        if (std::from_chars(text, text + Pq().PQgetlength(r.get(), 0, 0), n).ec != std::errc())
            throw Exception("Invalid row count");
        return n;
    }

    std::unique_ptr<SqlCursor> run(const std::string& sql, const std::vector<Variant>& params) override;

private:
    PGconn* conn_;
};

class PgCursor : public SqlCursor {
public:
    PgCursor(PgConnection& connection, const std::string& sql, const std::vector<Variant>& params)
        : connection_(connection), batch_(nullptr)
    {
        connection_.exec(std::string("DECLARE ") + kCursorName + " NO SCROLL CURSOR FOR " + sql, params,
                         PGRES_COMMAND_OK);
        fetchBatch();
        const int n = Pq().PQnfields(batch_.get());
        for (int i = 0; i < n; ++i)
            fields_.push_back(
                FieldFromDeclaredType(Utf8ToCp1252(Pq().PQfname(batch_.get(), i)),
                                      DeclaredType(Pq().PQftype(batch_.get(), i), Pq().PQfmod(batch_.get(), i))));
    }
    ~PgCursor() override
    {
        // The name is free for the next run; on a broken connection this fails, which is fine.
        try {
            connection_.exec(std::string("CLOSE ") + kCursorName, {}, PGRES_COMMAND_OK);
        } catch (const Exception&) {}
    }

    bool fetch(Record& row) override
    {
        const LibPq& pq = Pq();
        if (next_ >= pq.PQntuples(batch_.get())) {
            // A short batch was the last one.
            if (pq.PQntuples(batch_.get()) < kFetchRows) return false;
            fetchBatch();
            if (pq.PQntuples(batch_.get()) == 0) return false;
        }
        PGresult* r = batch_.get();
        row.resize(fields_.size());
        for (size_t i = 0; i < fields_.size(); ++i) {
            const int c = static_cast<int>(i);
            FieldData& out = row[i];
            out = FieldData();
            if (pq.PQgetisnull(r, next_, c)) continue;
            const std::string_view text(pq.PQgetvalue(r, next_, c), static_cast<size_t>(pq.PQgetlength(r, next_, c)));
            if (IsBinaryType(fields_[i].dataType)) {
                out.null = false;
                out.s = HexBytes(text, fields_[i]);
            } else {
                ParseSqlText(fields_[i], text, out);
            }
        }
        ++next_;
        return true;
    }

private:
    void fetchBatch()
    {
        batch_ = connection_.exec("FETCH FORWARD " + std::to_string(kFetchRows) + " FROM " + kCursorName, {},
                                  PGRES_TUPLES_OK);
        next_ = 0;
    }

    PgConnection& connection_;
    Result batch_;
    int next_ = 0;
};

std::unique_ptr<SqlCursor> PgConnection::run(const std::string& sql, const std::vector<Variant>& params)
{
    return std::make_unique<PgCursor>(*this, sql, params);
}

}  // namespace

std::unique_ptr<SqlConnection> ConnectPostgres(const std::string& uri, SqlAccess access)
{
    return std::make_unique<PgConnection>(uri, access);
}

}  // namespace zv::detail
