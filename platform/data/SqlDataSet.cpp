// The SQL dataset: opening over a connection, the window of rows read, running the query again;
// copying a dataset into a table.
#include "platform/data/SqlDataSet.h"

#include <algorithm>
#include <climits>

#include "platform/base/Error.h"
#include "platform/data/Field.h"
#include "platform/data/SqlConnection.h"

namespace zv {

TSqlDataSet::TSqlDataSet(Component* owner) : TDataSet(owner) { setReadOnly(true); }

TSqlDataSet::~TSqlDataSet() { close(); }

void TSqlDataSet::checkClosed() const
{
    if (active()) throw Exception("Cannot perform this operation on an open dataset");
}

void TSqlDataSet::setDatabase(std::string database)
{
    checkClosed();
    database_ = std::move(database);
}

void TSqlDataSet::setSql(std::string sql)
{
    checkClosed();
    sql_ = std::move(sql);
}

void TSqlDataSet::setParams(std::vector<Variant> params)
{
    checkClosed();
    params_ = std::move(params);
}

void TSqlDataSet::setWindowRows(int rows)
{
    checkClosed();
    windowRows_ = std::clamp(rows, 1, kMaxWindowRows);
}

void TSqlDataSet::internalOpen()
{
    try {
        connection_ = ConnectSql(database_);
        const int64_t n = connection_->count(sql_, params_);
        if (n < 0 || n > INT_MAX) throw Exception("The query has too many rows");
        count_ = static_cast<int>(n);
        runs_ = 0;
        restart();
        setFieldDefs(cursor_->fields());
    } catch (...) {
        internalClose();
        throw;
    }
}

void TSqlDataSet::internalClose()
{
    cursor_.reset();  // before its connection
    connection_.reset();
    window_.clear();
    read_ = 0;
    count_ = 0;
}

void TSqlDataSet::restart() const
{
    cursor_.reset();  // a connection has one cursor at a time
    read_ = 0;
    cursor_ = connection_->run(sql_, params_);
    ++runs_;
    window_.assign(static_cast<size_t>(windowRows_), Record());
}

const Record& TSqlDataSet::internalRecord(int rawIndex) const
{
    if (!connection_ || rawIndex < 0 || rawIndex >= count_) throw Exception("Record not found");
    if (!cursor_ || rawIndex < read_ - windowRows_) restart();
    while (read_ <= rawIndex) {
        Record& slot = window_[static_cast<size_t>(read_ % windowRows_)];
        if (!cursor_->fetch(slot)) throw Exception("The query gave fewer rows than it counted");
        ++read_;
    }
    return window_[static_cast<size_t>(rawIndex % windowRows_)];
}

int TSqlDataSet::internalPost(int, Record, bool) { throw Exception("Cannot modify a read-only dataset"); }

void TSqlDataSet::internalDelete(int) { throw Exception("Cannot modify a read-only dataset"); }

namespace {

// The column type a table made from the field gets; both databases read it back as the field's type.
std::string SqlTypeName(const TField& f)
{
    switch (f.dataType()) {
    case ftString:
    case ftWideString: return "VARCHAR(" + std::to_string(std::max(1, f.size())) + ")";
    case ftFixedChar: return "CHAR(" + std::to_string(std::max(1, f.size())) + ")";
    case ftMemo:
    case ftFmtMemo: return "TEXT";
    case ftSmallint: return "SMALLINT";
    case ftInteger:
    case ftWord:
    case ftAutoInc: return "INTEGER";
    case ftLargeint:
    case ftLongWord: return "BIGINT";
    case ftBoolean: return "BOOLEAN";
    case ftFloat: return "DOUBLE PRECISION";
    case ftCurrency: return "MONEY";
    case ftBCD:
        return "NUMERIC(" + std::to_string(f.precision() > 0 ? f.precision() : 18) + "," + std::to_string(f.size()) +
               ")";
    case ftDate: return "DATE";
    case ftTime: return "TIME";
    case ftDateTime: return "TIMESTAMP";
    default:
        throw Exception("Field '" + f.fieldName() + "' of type " + FieldTypeName(f.dataType()) + " cannot be copied");
    }
}

// Names go into the statements unquoted, so that queries name them as written without quotes
// in either database: only plain identifiers are taken.
const std::string& PlainName(const std::string& name)
{
    bool ok = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    for (char c : name)
        ok = ok && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (!ok) throw Exception("Invalid name for a table or column: " + name);
    return name;
}

}  // namespace

void CopyToSqlTable(TDataSet& source, const std::string& database, const std::string& table)
{
    std::string columns, placeholders;
    for (int i = 0; i < source.fieldCount(); ++i) {
        const TField& f = *source.field(i);
        columns += (i ? ", " : "") + PlainName(f.fieldName()) + " " + SqlTypeName(f);
        placeholders += (i ? ", $" : "$") + std::to_string(i + 1);
    }
    std::unique_ptr<SqlConnection> db = ConnectSql(database, SqlAccess::Write);
    const std::string name = PlainName(table);
    db->execute("DROP TABLE IF EXISTS " + name, {});
    db->execute("CREATE TABLE " + name + " (" + columns + ")", {});
    const std::string insert = "INSERT INTO " + name + " VALUES (" + placeholders + ")";
    std::vector<Variant> values(static_cast<size_t>(source.fieldCount()));
    for (source.first(); !source.eof(); source.next()) {
        for (int i = 0; i < source.fieldCount(); ++i) values[static_cast<size_t>(i)] = source.field(i)->value();
        db->execute(insert, values);
    }
    db->commit();
}

}  // namespace zv
