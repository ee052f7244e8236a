#pragma once
// A file written whole or not at all. What is written goes to a temporary
// file beside the target; commit() writes out the last bytes, syncs them to
// the disk, closes the file and only then puts it in place of the target, in
// one rename. Any failure on the way (each write, the sync, the close, the
// rename) discards the temporary file and leaves an existing target byte for
// byte as it was; errorString() then gives the cause in French (see
// common/filecause.h).
//
// A target that is a character device or a pipe (/dev/stdout, a FIFO) is
// written directly, there being nothing to replace. A target that is a
// link is followed: the file it names is replaced. An existing target the
// user may not write, or a folder, is refused before anything is written;
// so is a name longer than the system allows.
//
// Writes are buffered (256 KiB): memory stays the same whatever the size.
#include <QIODevice>
#include <QString>
#include <functional>

class SafeFile : public QIODevice
{
    Q_OBJECT
public:
    explicit SafeFile(const QString &target, QObject *parent = nullptr);
    ~SafeFile() override; // discards what was not committed

    const QString &target() const { return m_target; }

    // Opens for writing (mode must include WriteOnly); false on failure.
    bool open(OpenMode mode) override;
    // Puts the written bytes in place of the target; false on failure (then
    // nothing has changed). The device is closed either way.
    bool commit();
    // Closes without replacing the target.
    void discard();
    void close() override { discard(); }
    bool isSequential() const override { return true; }

    // The system error number (errno) of the failure; 0 if none.
    int systemError() const { return m_error; }

    // Test seam: the steps that can fail. The hook is asked before each
    // step; a non-zero answer is taken as that step's errno.
    enum class Step { Open, Write, Flush, Sync, Close, Replace };
    using FaultHook = std::function<int(Step step)>;
    static void setFaultHook(FaultHook hook);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool fail(int error);
    bool injected(Step step);
    bool writeOut(Step step);
    void cleanUp();

    QString m_target;    // as given
    QString m_real;      // the file really replaced (links followed)
    QString m_temporary; // empty when writing directly
    int m_fd = -1;
    int m_error = 0;
    QByteArray m_buffer;
};
