// Test helpers: a throwaway PostgreSQL cluster in a temporary folder, listening on a Unix socket only;
// an SQLite file or that cluster as a test's database.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/data/SqlConnection.h"

namespace zvtest {

// initdb and pg_ctl of the installed server (Debian's postgresql package). The server runs as the
// "postgres" user when we are root, because initdb refuses root. The destructor stops it and
// removes the folder; a failure to start throws with the server's log.
class PgCluster {
public:
    PgCluster()
    {
        bin_ = FindBin();
        char pattern[] = "/tmp/zvpg.XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        if (geteuid() == 0) {
            asUser_ = "runuser -u postgres -- ";
            Run("chown postgres " + dir_);
        }
        Run(asUser_ + bin_ + "/initdb -D " + dir_ + "/data -A trust -U postgres -E UTF8 --locale=C --no-sync >" + dir_ +
            "/initdb.log 2>&1");
        start();
    }
    ~PgCluster()
    {
        stop();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // The connection URI of the "postgres" database.
    std::string uri() const { return "postgresql:///postgres?host=" + dir_ + "&user=postgres"; }

    void start()
    {
        Run(asUser_ + bin_ + "/pg_ctl -D " + dir_ + "/data -l " + dir_ +
            "/server.log -w -s -o \"-c listen_addresses='' -c unix_socket_directories=" + dir_ +
            " -c fsync=off\" start");
        running_ = true;
    }
    // Stops at once, as a crash would: sessions are cut off.
    void stop()
    {
        if (!running_) return;
        running_ = false;
        std::system((asUser_ + bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate -w -s stop >/dev/null 2>&1").c_str());
    }

private:
    static std::string FindBin()
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec))
            if (fs::exists(e.path() / "bin" / "initdb")) return (e.path() / "bin").string();
        throw std::runtime_error(
            "PostgreSQL server binaries not found under /usr/lib/postgresql (scripts/deps.sh installs them)");
    }
    void Run(const std::string& command) const
    {
        if (std::system(command.c_str()) == 0) return;
        std::ostringstream log;
        for (const char* name : {"/initdb.log", "/server.log"})
            if (std::ifstream in(dir_ + name); in) log << in.rdbuf();
        throw std::runtime_error("failed: " + command + "\n" + log.str());
    }

    std::string bin_, dir_, asUser_;
    bool running_ = false;
};

// The database of one kind ("sqlite": a file in a fresh temporary folder; "postgres": a cluster
// started at first use), and statements run on it in a committed transaction.
class SqlTestDatabase {
public:
    explicit SqlTestDatabase(const std::string& kind) : kind_(kind)
    {
        if (kind_ == "postgres") {
            cluster_ = std::make_unique<PgCluster>();
            database_ = cluster_->uri();
        } else {
            char pattern[] = "/tmp/zvsqlite.XXXXXX";
            if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
            dir_ = pattern;
            database_ = dir_ + "/test.db";
        }
    }
    ~SqlTestDatabase()
    {
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }

    const std::string& database() const { return database_; }
    bool postgres() const { return cluster_ != nullptr; }
    PgCluster& cluster() { return *cluster_; }
    void exec(const std::string& sql)
    {
        auto c = zv::ConnectSql(database_, zv::SqlAccess::Write);
        c->execute(sql, {});
        c->commit();
    }

private:
    std::string kind_, dir_, database_;
    std::unique_ptr<PgCluster> cluster_;
};

}  // namespace zvtest
