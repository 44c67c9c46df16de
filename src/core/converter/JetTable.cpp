// Jet files through libmdb, read in a child process: the child writes the rows into a pipe and the
// parent waits at most the time limit, so a damaged file that makes the library loop only costs a
// kill.
#include "core/converter/TableSource.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mdbtools.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrel::converter {

namespace {

void putBytes(std::string& out, const std::string& bytes) {
    std::uint32_t n = static_cast<std::uint32_t>(bytes.size());
    out.append(reinterpret_cast<const char*>(&n), sizeof n);
    out.append(bytes);
}

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The child's work: 'R' + column count + cells, or 'E' + message.
std::string readInChild(const std::string& path, const std::string& table, const std::vector<std::string>& columns) {
    std::string out;
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) {
        out = "E";
        putBytes(out, "開けません");
        return out;
    }
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        out = "E";
        putBytes(out, "目次を読めません");
        return out;
    }
    std::string tableName = table;
    MdbTableDef* def = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
    if (!def) {
        mdb_close(mdb);
        out = "E";
        putBytes(out, "テーブル " + table + " がありません");
        return out;
    }
    mdb_read_columns(def);
    mdb_rewind_table(def);
    std::vector<std::vector<char>> buffers(columns.size(), std::vector<char>(MDB_BIND_SIZE + 1));
    std::vector<int> lengths(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        std::string name = columns[i];
        if (mdb_bind_column_by_name(def, name.data(), buffers[i].data(), &lengths[i]) < 0) {
            mdb_free_tabledef(def);
            mdb_close(mdb);
            out = "E";
            putBytes(out, "フィールド " + columns[i] + " がありません");
            return out;
        }
    }
    out = "R";
    while (mdb_fetch_row(def)) {
        out.push_back('r');
        for (size_t i = 0; i < columns.size(); ++i) {
            bool null = lengths[i] <= 0;
            out.push_back(null ? 'n' : 'v');
            putBytes(out, null ? std::string() : std::string(buffers[i].data(), static_cast<size_t>(lengths[i])));
        }
    }
    out.push_back('.');
    mdb_free_tabledef(def);
    mdb_close(mdb);
    return out;
}

class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}
    bool byte(char& c) {
        if (m_pos >= m_bytes.size())
            return false;
        c = m_bytes[m_pos++];
        return true;
    }
    bool bytes(std::string& s) {
        std::uint32_t n = 0;
        if (m_pos + sizeof n > m_bytes.size())
            return false;
        std::memcpy(&n, m_bytes.data() + m_pos, sizeof n);
        m_pos += sizeof n;
        if (m_pos + n > m_bytes.size())
            return false;
        s.assign(m_bytes, m_pos, n);
        m_pos += n;
        return true;
    }

private:
    const std::string& m_bytes;
    size_t m_pos = 0;
};

} // namespace

Result<int> checkJetFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Result<int>::error(path + " が存在しません");
    char header[0x20] = {};
    in.read(header, sizeof header);
    if (in.gcount() < static_cast<std::streamsize>(sizeof header) ||
        std::memcmp(header + 4, "Standard Jet DB", 15) != 0)
        return Result<int>::error(path + " はJetデーターベースではありません");
    int pageSize = header[0x14] == 0 ? 2048 : 4096;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size < 2 * pageSize || st.st_size % pageSize != 0)
        return Result<int>::error(path + " は壊れています（ファイルの大きさがページの倍数ではありません）");
    return pageSize;
}

Result<TableRows> readJetTable(const std::string& path, const std::string& table,
                               const std::vector<std::string>& columns, int timeLimitMs) {
    auto pages = checkJetFile(path);
    if (!pages)
        return pages.status();
    int fds[2];
    if (::pipe(fds) != 0)
        return Result<TableRows>::error(path + ": " + std::strerror(errno));
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return Result<TableRows>::error(path + ": " + std::strerror(errno));
    }
    if (pid == 0) {
        ::close(fds[0]);
        // The library's complaints about a damaged file become our error message, not stray output.
        int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            ::dup2(devNull, 2);
        bool ok = writeAll(fds[1], readInChild(path, table, columns));
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    std::string data;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
    bool timedOut = false;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            timedOut = r == 0;
            break;
        }
        char buf[65536];
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        return Result<TableRows>::error(
            path + " の読込みが時間内に終わりませんでした（ファイルが壊れている可能性があります）");

    Reader reader(data);
    char kind = 0;
    if (!reader.byte(kind))
        return Result<TableRows>::error(path + " を読めませんでした（ファイルが壊れている可能性があります）");
    if (kind == 'E') {
        std::string message;
        reader.bytes(message);
        return Result<TableRows>::error(path + ": " + message);
    }
    TableRows rows;
    for (;;) {
        char mark = 0;
        if (!reader.byte(mark))
            return Result<TableRows>::error(path +
                                            " の読込みが途中で終わりました（ファイルが壊れている可能性があります）");
        if (mark == '.')
            break;
        std::vector<Cell> row(columns.size());
        for (Cell& cell : row) {
            char flag = 0;
            if (!reader.byte(flag) || !reader.bytes(cell.text))
                return Result<TableRows>::error(
                    path + " の読込みが途中で終わりました（ファイルが壊れている可能性があります）");
            cell.null = flag == 'n';
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace kestrel::converter
