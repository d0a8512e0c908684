#include "platform/database/jet/isolated_read.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDataStream>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// What the child sends: frames of a 32-bit length and a payload that starts
// with its kind.
enum class Frame : quint8 { Columns, Rows, Error, End };
constexpr qsizetype kFlushBytes = 256 * 1024;

// Both ends run on this machine: its own byte order spares turning every
// character of every text around twice.
QDataStream& InMachineOrder(QDataStream& stream)
{
    stream.setByteOrder(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? QDataStream::LittleEndian
                                                                      : QDataStream::BigEndian);
    return stream;
}

// Rows travel as plain bytes in the machine's own order, each value its
// type and its data; texts keep their UTF-16 as it is. The tool reads tens
// of thousands of rows this way on every run.
template <typename T>
void AppendRaw(QByteArray& out, const T& value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendRow(QByteArray& out, const std::vector<Variant>& values)
{
    AppendRaw(out, static_cast<quint32>(values.size()));
    for (const Variant& value : values) {
        AppendRaw(out, static_cast<quint8>(value.type()));
        switch (value.type()) {
            case Variant::Type::Null: break;
            case Variant::Type::Integer: AppendRaw(out, value.integer()); break;
            case Variant::Type::Double: AppendRaw(out, value.real()); break;
            case Variant::Type::Text:
                AppendRaw(out, static_cast<quint32>(value.text().size()));
                out.append(reinterpret_cast<const char*>(value.text().utf16()), value.text().size() * 2);
                break;
            case Variant::Type::Binary:
                AppendRaw(out, static_cast<quint32>(value.bytes().size()));
                out.append(value.bytes());
                break;
        }
    }
}

// Reads the rows of a frame back; false when the frame ends in the middle
// of one, which only a child that went wrong can send.
class RowDecoder {
public:
    RowDecoder(const QByteArray& frame, qsizetype from) : data_(frame.constData()), pos_(from), size_(frame.size()) {}

    bool atEnd() const { return pos_ == size_; }

    // `above` is the row read before, if any: a text equal to the one
    // above it in its column shares that one's characters. Consecutive rows
    // of a table tend to repeat their texts (a bank's name on every one of
    // its branches, a town on its neighbours), and the tool holds every row
    // at once.
    bool row(std::vector<Variant>& values, const std::vector<Variant>* above)
    {
        quint32 count = 0;
        if (!raw(count))
            return false;
        values.clear();
        values.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            quint8 type = 0;
            if (!raw(type))
                return false;
            switch (static_cast<Variant::Type>(type)) {
                case Variant::Type::Null: values.emplace_back(); break;
                case Variant::Type::Integer: {
                    qint64 number = 0;
                    if (!raw(number))
                        return false;
                    values.emplace_back(number);
                    break;
                }
                case Variant::Type::Double: {
                    double number = 0;
                    if (!raw(number))
                        return false;
                    values.emplace_back(number);
                    break;
                }
                case Variant::Type::Text: {
                    quint32 length = 0;
                    if (!raw(length) || !available(qsizetype(length) * 2))
                        return false;
                    const char* characters = data_ + pos_;
                    const std::size_t bytes = std::size_t(length) * 2;
                    pos_ += qsizetype(bytes);
                    if (above && i < above->size() && sameText((*above)[i], characters, length)) {
                        values.push_back((*above)[i]);
                        break;
                    }
                    QString text(qsizetype(length), Qt::Uninitialized);
                    std::memcpy(text.data(), characters, bytes);
                    values.emplace_back(std::move(text));
                    break;
                }
                case Variant::Type::Binary: {
                    quint32 length = 0;
                    if (!raw(length) || !available(length))
                        return false;
                    values.emplace_back(QByteArray(data_ + pos_, qsizetype(length)));
                    pos_ += length;
                    break;
                }
                default: return false;
            }
        }
        return true;
    }

private:
    bool available(qsizetype bytes) const { return bytes <= size_ - pos_; }

    // Compared as bytes: the frame's characters need not be aligned.
    static bool sameText(const Variant& value, const char* characters, quint32 length)
    {
        return value.type() == Variant::Type::Text && value.text().size() == qsizetype(length)
            && std::memcmp(value.text().utf16(), characters, std::size_t(length) * 2) == 0;
    }

    template <typename T>
    bool raw(T& value)
    {
        if (!available(sizeof value))
            return false;
        std::memcpy(&value, data_ + pos_, sizeof value);
        pos_ += sizeof value;
        return true;
    }

    const char* data_;
    qsizetype pos_;
    qsizetype size_;
};

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// The child's side: rows are batched into frames and sent down the pipe.
class PipeSink : public RowSink {
public:
    explicit PipeSink(int fd) : fd_(fd) {}

    void columns(const QStringList& names) override
    {
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        InMachineOrder(out) << static_cast<quint8>(Frame::Columns) << names;
        send(payload);
    }

    void row(const std::vector<Variant>& values) override
    {
        if (rows_.isEmpty())
            rows_.append(static_cast<char>(Frame::Rows));
        AppendRow(rows_, values);
        if (rows_.size() >= kFlushBytes)
            flush();
    }

    void finish(Frame kind, const RuntimeError* error)
    {
        flush();
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        InMachineOrder(out) << static_cast<quint8>(kind);
        if (error)
            out << error->number() << error->description();
        send(payload);
    }

private:
    void flush()
    {
        if (rows_.isEmpty())
            return;
        send(rows_);
        rows_.clear();
    }

    void send(const QByteArray& payload)
    {
        const quint32 size = static_cast<quint32>(payload.size());
        if (!WriteAll(fd_, reinterpret_cast<const char*>(&size), sizeof size)
            || !WriteAll(fd_, payload.constData(), payload.size()))
            _exit(1);  // the parent has gone away
    }

    int fd_;
    QByteArray rows_;
};

// The status of a child that ran out of the memory it was allowed.
constexpr int kOutOfMemoryStatus = 101;

// What the child has mapped already, inherited from the parent; 0 when unknown.
rlim_t MappedBytes()
{
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[64] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0)
        return 0;
    return static_cast<rlim_t>(std::strtoull(text, nullptr, 10)) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// The child must end with the tool whatever ends the tool, even a kill -9,
// and must not take the machine's memory when a library loops allocating.
// The kernel kills it when the thread that forked it ends; that thread waits
// for the child in ReadIsolated, so it ends before the child only with the tool.
void BindChildToParent(pid_t parent, std::size_t memoryCeiling)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)  // the parent died before the line above
        _exit(1);
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0) {
        limit.rlim_cur = std::min(MappedBytes() + static_cast<rlim_t>(memoryCeiling), limit.rlim_max);
        ::setrlimit(RLIMIT_AS, &limit);
    }
}

[[noreturn]] void RunChild(const std::function<void(RowSink&)>& read, int fd)
{
    // libmdb reads memory it never wrote on some damaged files, and then
    // reads the file one way or another depending on what the tool left in
    // the heap before the fork: every allocation starts zeroed, so that one
    // file is always read alike.
    ::mallopt(M_PERTURB, 0xff);
    // Libraries that meet a damaged file tend to complain on stderr without
    // end, and libmdb dumps a damaged block's bytes on stdout: neither is the
    // user's to see. The rows go through their own pipe.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
    }
    PipeSink sink(fd);
    try {
        read(sink);
        sink.finish(Frame::End, nullptr);
    } catch (const RuntimeError& error) {
        sink.finish(Frame::Error, &error);
    } catch (const std::bad_alloc&) {
        _exit(kOutOfMemoryStatus);  // nothing more can be allocated to say so
    } catch (...) {
        const RuntimeError unknown(ErrorNumber::Failure, QStringLiteral("Errore imprevisto durante la lettura."));
        sink.finish(Frame::Error, &unknown);
    }
    _exit(0);
}

// The parent's side: collects frames until the end, a death or a silence.
class FrameReader {
public:
    FrameReader(int fd, std::chrono::milliseconds quietLimit) : fd_(fd), quietLimit_(quietLimit) {}

    // False when the child stopped sending before its last frame.
    bool next(QByteArray& payload)
    {
        quint32 size = 0;
        if (!readExactly(reinterpret_cast<char*>(&size), sizeof size))
            return false;
        payload.resize(size);
        return readExactly(payload.data(), size);
    }

    bool timedOut() const { return timedOut_; }

private:
    bool readExactly(char* data, qsizetype size)
    {
        while (size > 0) {
            pollfd waiting{fd_, POLLIN, 0};
            const int ready = ::poll(&waiting, 1, static_cast<int>(quietLimit_.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0) {
                timedOut_ = true;
                return false;
            }
            const ssize_t got = ::read(fd_, data, static_cast<size_t>(size));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            data += got;
            size -= got;
        }
        return true;
    }

    int fd_;
    std::chrono::milliseconds quietLimit_;
    bool timedOut_ = false;
};

RuntimeError Unreadable(const QString& what, const QString& why)
{
    return {ErrorNumber::Failure, QStringLiteral("Impossibile leggere il database '%1': %2").arg(what, why)};
}

}  // namespace

ResultSet ReadIsolated(const std::function<void(RowSink&)>& read, const QString& what,
                       std::chrono::milliseconds quietLimit, std::size_t memoryCeiling)
{
    const pid_t parent = ::getpid();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Unreadable(what, DescrizioneErroreDiSistema(errno));
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Unreadable(what, DescrizioneErroreDiSistema(errno));
    }
    if (child == 0) {
        ::close(fds[0]);
        BindChildToParent(parent, memoryCeiling);
        RunChild(read, fds[1]);
    }
    ::close(fds[1]);

    ResultSet result;
    std::optional<RuntimeError> error;
    bool ended = false;
    FrameReader frames(fds[0], quietLimit);
    QByteArray payload;
    bool garbled = false;
    while (!ended && !garbled && frames.next(payload)) {
        QDataStream in(payload);
        quint8 kind = 0;
        InMachineOrder(in) >> kind;
        switch (static_cast<Frame>(kind)) {
            case Frame::Columns: in >> result.columns; break;
            case Frame::Rows: {
                RowDecoder rows(payload, 1);
                std::vector<Variant> row;
                while (!rows.atEnd() && rows.row(row, result.rows.empty() ? nullptr : &result.rows.back()))
                    result.rows.push_back(std::move(row));
                if (!rows.atEnd())
                    garbled = true;
                break;
            }
            case Frame::Error: {
                qint32 number = 0;
                QString description;
                in >> number >> description;
                error.emplace(number, description);
                ended = true;
                break;
            }
            case Frame::End: ended = true; break;
        }
    }
    ::close(fds[0]);
    if (!ended)
        ::kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }

    if (error)
        throw *error;
    // Most libraries abort when an allocation fails; a child that died having
    // grown near its ceiling is taken to have run out of memory.
    const bool outOfMemory = (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryStatus)
        || (!ended && WIFSIGNALED(status) && static_cast<std::size_t>(usage.ru_maxrss) * 1024 >= memoryCeiling / 2);
    // Looping and growing without end are one failure to the user.
    if (frames.timedOut() || outOfMemory)
        throw Unreadable(what, QStringLiteral("la lettura non si conclude, il file è probabilmente danneggiato."));
    if (!ended)
        throw Unreadable(what, QStringLiteral("il file è danneggiato (lettura interrotta)."));
    return result;
}
