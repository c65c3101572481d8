// The SQL dataset: a read-only dataset over the rows of a query to an SQLite file or a PostgreSQL
// server; copying a dataset into a table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/data/DataSet.h"

namespace zv {

class SqlConnection;
class SqlCursor;

// Open connects to Database (an SQLite file path, or a "postgres://" / "postgresql://" URI),
// counts the rows of SQL and starts reading them; Close lets the connection go. Rows are read
// as the cursor reaches them and only the last WindowRows read are kept, so memory does not grow
// with the result; going back before them runs the query again and reads forward (First after a
// walk does that). The count and every run see one snapshot of the database. Failures throw
// Exception with the database's message; editing throws the read-only dataset error.
class TSqlDataSet : public TDataSet {
public:
    explicit TSqlDataSet(Component* owner = nullptr);
    ~TSqlDataSet() override;
    std::string className() const override { return "TSqlDataSet"; }

    // Changing these while open throws; they take effect at the next Open.
    const std::string& database() const { return database_; }
    void setDatabase(std::string database);
    const std::string& sql() const { return sql_; }
    void setSql(std::string sql);
    // Values of the query's parameters, by position.
    const std::vector<Variant>& params() const { return params_; }
    void setParams(std::vector<Variant> params);
    static constexpr int kMaxWindowRows = 65536;
    int windowRows() const { return windowRows_; }
    void setWindowRows(int rows);  // 1 to kMaxWindowRows

    // Times the query was run since Open (the count not included).
    int runs() const { return runs_; }

protected:
    void internalOpen() override;
    void internalClose() override;
    int internalRecordCount() const override { return count_; }
    const Record& internalRecord(int rawIndex) const override;
    int internalPost(int rawIndex, Record record, bool inserted) override;
    void internalDelete(int rawIndex) override;
    void internalMovedTo(int rawIndex) override { internalRecord(rawIndex); }

private:
    void checkClosed() const;
    void restart() const;

    std::string database_;
    std::string sql_;
    std::vector<Variant> params_;
    int windowRows_ = 256;
    std::unique_ptr<SqlConnection> connection_;
    int count_ = 0;
    // The cursor and the window of rows read are moved by const record reads.
    mutable std::unique_ptr<SqlCursor> cursor_;
    mutable std::vector<Record> window_;  // row n in slot n % windowRows_
    mutable int read_ = 0;                // rows read by the cursor so far
    mutable int runs_ = 0;
};

// Writes the records of source, from its first, into a new table of database (an SQLite file,
// made when missing, or a PostgreSQL URI), replacing a table of that name. The columns take the
// fields' names and types; values are bound as parameters. Binary fields are refused.
void CopyToSqlTable(TDataSet& source, const std::string& database, const std::string& table);

}  // namespace zv
