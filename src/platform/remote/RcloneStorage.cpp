#include "platform/remote/RemoteFolder.h"

#include "platform/RuntimeError.h"
#include "platform/process/ProcessRunner.h"
#include "platform/state/RunState.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QSysInfo>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>

namespace ze6 {

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kQuitTimeoutMs = 5000;

std::string RandomHex(std::size_t bytes)
{
    std::ifstream random("/dev/urandom", std::ios::binary);
    std::string text;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes; ++i) {
        const int byte = random.get();
        if (byte < 0)
            throw RuntimeError(ErrorNumber::DeviceIoError, "No random numbers for the rclone helper's password",
                               kProgramErrorSource);
        text += kDigits[(byte >> 4) & 15];
        text += kDigits[byte & 15];
    }
    return text;
}

// A port on 127.0.0.1 that nobody listens on now. Another program may take
// it before rclone does; rclone then fails to start and a new port is tried.
int FreeLoopbackPort()
{
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(sock);
    return port;
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* sink)
{
    static_cast<std::string*>(sink)->append(data, size * count);
    return size * count;
}

// "nas:backups/rz" -> the folder and the file's path in it as rclone takes them.
std::string LocalFolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

std::string LocalNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// A method's input, its keys in ASCII.
QJsonObject Input(std::initializer_list<std::pair<const char*, QJsonValue>> members)
{
    QJsonObject object;
    for (const auto& [key, value] : members)
        object.insert(QLatin1String(key), value);
    return object;
}

// Held from looking at a name in a remote folder to renaming onto it. A
// remote's rename may replace its target (SFTP's does), so the look and the
// rename must not interleave with another run's on this host; runs on other
// hosts are beyond it. A lock that cannot be had leaves the rename unguarded
// by it, as before there was one.
StateFileLock NamingLock(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const QByteArray key = QCryptographicHash::hash(QByteArray::fromStdString(folder), QCryptographicHash::Md5).toHex();
    return StateFileLock("naming/" + key.toStdString() + ".lock");
}

RemoteEntry EntryFrom(const QJsonObject& item)
{
    RemoteEntry entry;
    entry.name = item.value(QStringLiteral("Name")).toString().toStdString();
    entry.size = static_cast<std::uint64_t>(item.value(QStringLiteral("Size")).toDouble());
    const QDateTime modified =
        QDateTime::fromString(item.value(QStringLiteral("ModTime")).toString(), Qt::ISODateWithMs);
    if (modified.isValid())
        entry.modifiedSecondsSinceEpoch = modified.toSecsSinceEpoch();
    const QJsonObject hashes = item.value(QStringLiteral("Hashes")).toObject();
    for (auto hash = hashes.begin(); hash != hashes.end(); ++hash) {
        const QString value = hash.value().toString();
        if (!value.isEmpty())
            entry.hashes[hash.key().toStdString()] = value.toLower().toStdString();
    }
    return entry;
}

class RcloneStorage final : public RemoteStorage {
public:
    RcloneStorage();
    ~RcloneStorage() override;

    std::vector<RemoteEntry> List(const std::string& folder) override;
    std::optional<RemoteEntry> Stat(const std::string& folder, const std::string& name) override;
    void Upload(const std::string& localPath, const std::string& folder, const std::string& name) override;
    void Rename(const std::string& folder, const std::string& from, const std::string& to) override;
    void RenameUnlessTaken(const std::string& folder, const std::string& from, const std::string& to) override;
    void Delete(const std::string& folder, const std::string& name) override;
    void Download(const std::string& folder, const std::string& name, const std::string& localPath) override;
    std::string ReadRange(const std::string& folder, const std::string& name, std::uint64_t offset,
                          std::size_t length) override;

private:
    bool TryStart(int port);
    // A connection to the helper of the calling thread's own while it lasts:
    // the uploads of several archives go on at once, each on one of them.
    class Handle;
    CURL* Acquire();
    void Release(CURL* curl);
    // One request to the helper: its settings, then those `configure` adds;
    // the answer's body and HTTP status.
    CURLcode Perform(CURL* curl, const std::string& url, std::string& answer, long& code,
                     const std::function<void()>& configure);
    // Calls one method; raises with the folder's name and rclone's message.
    QJsonObject Call(const char* method, const QJsonObject& input, const std::string& folder, int* status = nullptr);
    bool Answers();

    std::mutex m_mutex;        // guards m_idle
    std::vector<CURL*> m_idle; // connections free for the next request
    QProcess m_process;
    std::string m_base;
    std::string m_credentials;
};

class RcloneStorage::Handle final {
public:
    explicit Handle(RcloneStorage& storage) : m_storage(storage), m_curl(storage.Acquire()) {}
    ~Handle() { m_storage.Release(m_curl); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    CURL* get() const { return m_curl; }

private:
    RcloneStorage& m_storage;
    CURL* m_curl;
};

CURL* RcloneStorage::Acquire()
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            CURL* curl = m_idle.back();
            m_idle.pop_back();
            return curl;
        }
    }
    CURL* curl = curl_easy_init();
    if (!curl)
        throw RuntimeError(ErrorNumber::DeviceIoError, "The rclone helper could not be reached", kProgramErrorSource);
    return curl;
}

void RcloneStorage::Release(CURL* curl)
{
    const std::lock_guard lock(m_mutex);
    m_idle.push_back(curl);
}

RcloneStorage::RcloneStorage()
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (TryStart(FreeLoopbackPort()))
            return;
    }
    for (CURL* curl : m_idle)
        curl_easy_cleanup(curl);
    throw RuntimeError(ErrorNumber::DeviceIoError, "rclone could not be started", kProgramErrorSource);
}

bool RcloneStorage::TryStart(int port)
{
    if (port <= 0)
        return false;
    const std::string user = RandomHex(16);
    const std::string password = RandomHex(24);
    m_credentials = user + ":" + password;
    m_base = "http://127.0.0.1:" + std::to_string(port) + "/";

    // The credentials go in the environment, which only this user can read,
    // never on the command line that every process list shows.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("RCLONE_RC_USER"), QString::fromStdString(user));
    environment.insert(QStringLiteral("RCLONE_RC_PASS"), QString::fromStdString(password));
    m_process.setProcessEnvironment(environment);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    // A run that is killed takes its helper with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStandardPaths::findExecutable(QStringLiteral("rclone")),
                    // --rc-serve: files are also served by name, with ranged reads.
                    {QStringLiteral("rcd"), QStringLiteral("--rc-serve"), QStringLiteral("--rc-addr"),
                     QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--log-level"), QStringLiteral("ERROR")});
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Answers())
            return true;
        if (m_process.waitForFinished(50))
            return false;
    }
    m_process.kill();
    m_process.waitForFinished();
    return false;
}

bool RcloneStorage::Answers()
{
    try {
        Call("rc/noop", QJsonObject(), {});
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

RcloneStorage::~RcloneStorage()
{
    // SIGTERM, not "core/quit": rclone runs the same clean exit for both, but
    // after "core/quit" it waits a second and a half for its answer to go out.
    m_process.terminate();
    if (!m_process.waitForFinished(kQuitTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished();
    }
    for (CURL* curl : m_idle)
        curl_easy_cleanup(curl);
}

CURLcode RcloneStorage::Perform(CURL* curl, const std::string& url, std::string& answer, long& code,
                                const std::function<void()>& configure)
{
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERPWD, m_credentials.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    configure();
    const CURLcode result = curl_easy_perform(curl);
    code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    return result;
}

QJsonObject RcloneStorage::Call(const char* method, const QJsonObject& input, const std::string& folder, int* status)
{
    const Handle handle(*this);
    CURL* curl = handle.get();
    const QByteArray body = QJsonDocument(input).toJson(QJsonDocument::Compact);
    const std::string url = m_base + method;
    std::string answer;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    long code = 0;
    const CURLcode result = Perform(curl, url, answer, code, [&] {
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    });
    curl_slist_free_all(headers);
    if (status)
        *status = static_cast<int>(code);
    const std::string where = folder.empty() ? std::string("rclone") : "rclone remote \"" + folder + "\"";
    if (result != CURLE_OK)
        throw RuntimeError(ErrorNumber::DeviceIoError,
                           where + ": rclone stopped answering (" + curl_easy_strerror(result) + ")",
                           kProgramErrorSource);
    const QJsonObject output = QJsonDocument::fromJson(QByteArray::fromStdString(answer)).object();
    if (code != 200) {
        QString message = output.value(QStringLiteral("error")).toString();
        if (message.isEmpty())
            message = QStringLiteral("HTTP status %1").arg(code);
        throw RuntimeError(code == 404 ? ErrorNumber::PathNotFound : ErrorNumber::DeviceIoError,
                           where + ": " + message.toStdString(), kProgramErrorSource);
    }
    return output;
}

std::vector<RemoteEntry> RcloneStorage::List(const std::string& folder)
{
    int status = 0;
    QJsonObject output;
    try {
        output = Call("operations/list",
                      Input({{"fs", Q(folder)}, {"remote", QString()}, {"opt", Input({{"filesOnly", true}})}}), folder,
                      &status);
    } catch (const RuntimeError&) {
        if (status == 404) // not made yet: the first upload makes it
            return {};
        throw;
    }
    std::vector<RemoteEntry> entries;
    for (const auto& item : output.value(QStringLiteral("list")).toArray()) {
        const QJsonObject object = item.toObject();
        if (!object.value(QStringLiteral("IsDir")).toBool())
            entries.push_back(EntryFrom(object));
    }
    return entries;
}

std::optional<RemoteEntry> RcloneStorage::Stat(const std::string& folder, const std::string& name)
{
    int status = 0;
    QJsonObject output;
    try {
        output = Call("operations/stat",
                      Input({{"fs", Q(folder)}, {"remote", Q(name)}, {"opt", Input({{"showHash", true}})}}), folder,
                      &status);
    } catch (const RuntimeError&) {
        if (status == 404)
            return std::nullopt;
        throw;
    }
    const QJsonValue item = output.value(QStringLiteral("item"));
    if (!item.isObject())
        return std::nullopt;
    return EntryFrom(item.toObject());
}

void RcloneStorage::Upload(const std::string& localPath, const std::string& folder, const std::string& name)
{
    Call("operations/copyfile",
         Input({{"srcFs", Q(LocalFolderOf(localPath))},
                {"srcRemote", Q(LocalNameOf(localPath))},
                {"dstFs", Q(folder)},
                {"dstRemote", Q(name)},
                // The name is new: asking the remote first would cost a
                // round trip per archive for nothing.
                {"_config", Input({{"NoCheckDest", true}})}}),
         folder);
}

void RcloneStorage::Rename(const std::string& folder, const std::string& from, const std::string& to)
{
    // rclone's move replaces its target, and no remote offers an atomic
    // rename that does not: the name is checked just before.
    const StateFileLock lock = NamingLock(folder);
    if (Stat(folder, to))
        throw RuntimeError(ErrorNumber::FileAlreadyExists,
                           "rclone remote \"" + folder + "\": " + to + " exists already", kProgramErrorSource);
    Call("operations/movefile",
         Input({{"srcFs", Q(folder)}, {"srcRemote", Q(from)}, {"dstFs", Q(folder)}, {"dstRemote", Q(to)}}), folder);
}

void RcloneStorage::RenameUnlessTaken(const std::string& folder, const std::string& from, const std::string& to)
{
    // rclone looks for the target just before it moves, and with this
    // setting leaves both names alone when it finds one.
    const StateFileLock lock = NamingLock(folder);
    Call("operations/movefile",
         Input({{"srcFs", Q(folder)},
                {"srcRemote", Q(from)},
                {"dstFs", Q(folder)},
                {"dstRemote", Q(to)},
                {"_config", Input({{"IgnoreExisting", true}})}}),
         folder);
}

void RcloneStorage::Delete(const std::string& folder, const std::string& name)
{
    Call("operations/deletefile", Input({{"fs", Q(folder)}, {"remote", Q(name)}}), folder);
}

void RcloneStorage::Download(const std::string& folder, const std::string& name, const std::string& localPath)
{
    if (QFile::exists(Q(localPath)))
        throw RuntimeError(ErrorNumber::FileAlreadyExists, DescribeErrorNumber(ErrorNumber::FileAlreadyExists),
                           kProgramErrorSource, localPath);
    Call("operations/copyfile",
         Input({{"srcFs", Q(folder)},
                {"srcRemote", Q(name)},
                {"dstFs", Q(LocalFolderOf(localPath))},
                {"dstRemote", Q(LocalNameOf(localPath))}}),
         folder);
}

std::string RcloneStorage::ReadRange(const std::string& folder, const std::string& name, std::uint64_t offset,
                                     std::size_t length)
{
    if (length == 0)
        return {};
    const Handle handle(*this);
    CURL* curl = handle.get();
    // "[nas:backups/rz]/name", each part escaped.
    const auto escaped = [curl](const std::string& text) {
        char* escape = curl_easy_escape(curl, text.c_str(), static_cast<int>(text.size()));
        std::string result = escape ? escape : "";
        curl_free(escape);
        return result;
    };
    const std::string url = m_base + escaped("[" + folder + "]") + "/" + escaped(name);
    // An explicit range: rclone mishandles a suffix range longer than the file.
    const std::string range = std::to_string(offset) + "-" + std::to_string(offset + length - 1);
    std::string answer;
    long code = 0;
    const CURLcode result =
        Perform(curl, url, answer, code, [&] { curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str()); });
    const std::string where = "rclone remote \"" + folder + "\": " + name;
    if (result != CURLE_OK)
        throw RuntimeError(ErrorNumber::DeviceIoError,
                           where + ": rclone stopped answering (" + curl_easy_strerror(result) + ")",
                           kProgramErrorSource);
    if (code != 206 || answer.size() != length)
        throw RuntimeError(code == 404 ? ErrorNumber::PathNotFound : ErrorNumber::DeviceIoError,
                           where + ": HTTP status " + std::to_string(code), kProgramErrorSource);
    return answer;
}

} // namespace

bool RcloneInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty();
}

std::unique_ptr<RemoteStorage> StartRcloneStorage()
{
    if (!RcloneInstalled())
        throw RuntimeError(ErrorNumber::FileNotFound, "rclone is not installed", kProgramErrorSource);
    return std::make_unique<RcloneStorage>();
}

namespace {

// The lines rclone printed; none when it failed or is missing.
std::vector<std::string> RcloneLines(const std::vector<std::string>& arguments)
{
    if (!RcloneInstalled())
        return {};
    SystemProcessRunner runner;
    const ProcessResult result = runner.Run("rclone", arguments);
    std::vector<std::string> lines;
    if (result.exitCode != 0)
        return lines;
    std::size_t start = 0;
    while (start < result.out.size()) {
        auto end = result.out.find('\n', start);
        if (end == std::string::npos)
            end = result.out.size();
        if (end > start)
            lines.push_back(result.out.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::vector<std::string> RcloneRemotes()
{
    std::vector<std::string> remotes = RcloneLines({"listremotes"});
    for (auto& remote : remotes) {
        if (remote.back() == ':')
            remote.pop_back();
    }
    return remotes;
}

std::vector<std::string> RcloneFolders(const std::string& remote)
{
    return RcloneLines({"lsf", "--dirs-only", "--max-depth", "1", "--", remote + ":"});
}

namespace {

constexpr const char* kUploadMark = ".upload-";
constexpr std::int64_t kOtherHostAbandonedAfterSeconds = 3600;

std::string HostTag()
{
    std::string host = QSysInfo::machineHostName().toStdString();
    for (char& c : host) {
        if (c == '-' || c == '/' || c == '.')
            c = '_';
    }
    return host.empty() ? std::string("host") : host;
}

} // namespace

std::string RemoteTemporaryName(const std::string& finalName)
{
    return "." + finalName + kUploadMark + HostTag() + "-" + std::to_string(::getpid());
}

bool AbandonedRemoteTemporary(const std::string& name, std::int64_t modifiedSecondsSinceEpoch)
{
    if (name.empty() || name[0] != '.')
        return false;
    const auto mark = name.rfind(kUploadMark);
    if (mark == std::string::npos)
        return false;
    const std::string tag = name.substr(mark + std::char_traits<char>::length(kUploadMark));
    const auto dash = tag.rfind('-');
    if (dash == std::string::npos || dash + 1 >= tag.size())
        return false;
    const std::string digits = tag.substr(dash + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
        return false;
    if (tag.substr(0, dash) == HostTag()) {
        const auto pid = static_cast<pid_t>(std::stol(digits));
        return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
    }
    return QDateTime::currentSecsSinceEpoch() - modifiedSecondsSinceEpoch > kOtherHostAbandonedAfterSeconds;
}

} // namespace ze6
