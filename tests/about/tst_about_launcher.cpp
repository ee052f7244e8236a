// The registry reading and the system-information launcher, without a window.
#include "about/memoryregistry.h"
#include "about/registry.h"
#include "about/sysinfo.h"
#include "about/systemregistry.h"
#include "common/desktop.h"
#include "common/messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace about;

namespace {
const QString kPathKey = QString::fromLatin1(kSysInfoKey);
const QString kPathValue = QString::fromLatin1(kSysInfoValue);
const QString kLocKey = QString::fromLatin1(kSysInfoLocKey);
const QString kLocValue = QString::fromLatin1(kSysInfoLocValue);
const QString kPathQuery = kPathKey + QStringLiteral("\\PATH");
const QString kLocQuery = kLocKey + QStringLiteral("\\MSINFO");

// Puts an empty "MSINFO32.EXE" into a folder.
bool putProgramIn(const QString &folder)
{
    QFile exe(sysInfoProgramIn(folder));
    return exe.open(QIODevice::WriteOnly);
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(static_cast<char>(v));
    return b;
}
} // namespace

class TestAboutLauncher : public QObject
{
    Q_OBJECT

private:
    QStringList m_started;
    bool m_startResult = true;
    QList<messages::Shown> m_shown;

    void expectMessageOnly()
    {
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().kind, messages::Kind::Plain);
        QCOMPARE(m_shown.first().text,
                 QStringLiteral("Les informations système ne sont pas disponibles actuellement"));
    }

private slots:
    void init()
    {
        m_started.clear();
        m_shown.clear();
        m_startResult = true;
        desktop::setStartHook([this](const QString &program, const QStringList &arguments) {
            Q_UNUSED(arguments);
            m_started << program;
            return m_startResult;
        });
        messages::setHandler([this](const messages::Shown &shown) {
            m_shown << shown;
            return false;
        });
    }
    void cleanup()
    {
        desktop::setStartHook({});
        messages::setHandler({});
    }

    // --- GetKeyValue ---

    void readsValues_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");

        QTest::newRow("string with its final NUL")
            << kRegSz << QByteArray("C:\\Outils\\infos.exe", 19).append('\0')
            << QStringLiteral("C:\\Outils\\infos.exe");
        QTest::newRow("string without final NUL, taken whole")
            << kRegSz << QByteArray("C:\\Outils\\infos.exe") << QStringLiteral("C:\\Outils\\infos.exe");
        QTest::newRow("only the last NUL is dropped")
            << kRegSz << QByteArray("ab\0\0", 4) << QString::fromLatin1("ab\0", 3);
        QTest::newRow("empty string") << kRegSz << QByteArray() << QString();
        QTest::newRow("a lone NUL") << kRegSz << QByteArray(1, '\0') << QString();
        QTest::newRow("8-bit text")
            << kRegSz << QStringLiteral("Système").toLocal8Bit().append('\0')
            << QStringLiteral("Système");
        QTest::newRow("1024 bytes fit the buffer")
            << kRegSz << QByteArray(1024, 'x') << QString(1024, QLatin1Char('x'));
        QTest::newRow("number: bytes from last to first")
            << kRegDword << bytes({0x78, 0x56, 0x34, 0x12}) << QStringLiteral("12345678");
        QTest::newRow("number: small bytes keep two digits")
            << kRegDword << bytes({0x01, 0x0A, 0x02, 0x03}) << QStringLiteral("03020A01");
        QTest::newRow("number: a final zero byte counts as the NUL")
            << kRegDword << bytes({0x2A, 0x00, 0x00, 0x00}) << QStringLiteral("00002A");
    }
    void readsValues()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, QStringLiteral("SOFTWARE\\Essai"), QStringLiteral("V"),
                          type, data);
        QString value = QStringLiteral("avant");
        QVERIFY(GetKeyValue(registry, kHKeyLocalMachine, QStringLiteral("SOFTWARE\\Essai"),
                            QStringLiteral("V"), value));
        QCOMPARE(value, expected);
        QCOMPARE(registry.openKeyCount(), 0);
    }

    void otherTypesLeaveTheTextUnchanged_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::newRow("expandable string") << quint32(2);
        QTest::newRow("binary") << quint32(3);
        QTest::newRow("multi-string") << quint32(7);
    }
    void otherTypesLeaveTheTextUnchanged()
    {
        QFETCH(quint32, type);
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, QStringLiteral("K"), QStringLiteral("V"), type,
                          QByteArray("abc"));
        QString value = QStringLiteral("avant");
        QVERIFY(GetKeyValue(registry, kHKeyLocalMachine, QStringLiteral("K"), QStringLiteral("V"),
                            value));
        QCOMPARE(value, QStringLiteral("avant"));
        QCOMPARE(registry.openKeyCount(), 0);
    }

    void failuresEmptyTheText_data()
    {
        QTest::addColumn<int>("situation");
        QTest::newRow("no such key") << 0;
        QTest::newRow("key without full access") << 1;
        QTest::newRow("no such value") << 2;
        QTest::newRow("value longer than 1024 bytes") << 3;
        QTest::newRow("other root") << 4;
    }
    void failuresEmptyTheText()
    {
        QFETCH(int, situation);
        MemoryRegistry registry;
        const QString key = QStringLiteral("SOFTWARE\\Essai");
        quint32 root = kHKeyLocalMachine;
        switch (situation) {
        case 0:
            break;
        case 1:
            registry.setValue(root, key, QStringLiteral("V"), kRegSz, QByteArray("x"));
            registry.denyAccess(root, key);
            break;
        case 2:
            registry.setValue(root, key, QStringLiteral("Autre"), kRegSz, QByteArray("x"));
            break;
        case 3:
            registry.setValue(root, key, QStringLiteral("V"), kRegSz, QByteArray(1025, 'x'));
            break;
        case 4:
            registry.setValue(root, key, QStringLiteral("V"), kRegSz, QByteArray("x"));
            root = 0x80000001u;
            break;
        }
        QString value = QStringLiteral("avant");
        QVERIFY(!GetKeyValue(registry, root, key, QStringLiteral("V"), value));
        QVERIFY(value.isEmpty());
        QCOMPARE(registry.openKeyCount(), 0);
    }

    void keyAndValueNamesIgnoreCase()
    {
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, kPathKey, kPathValue, kRegSz, QByteArray("x"));
        QString value;
        QVERIFY(GetKeyValue(registry, kHKeyLocalMachine, kPathKey.toLower(),
                            QStringLiteral("path"), value));
        QCOMPARE(value, QStringLiteral("x"));
    }

    // --- StartSysInfo ---

    void pathIsStartedAsRead()
    {
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, kPathKey, kPathValue, kRegSz,
                          QByteArray("/nulle/part/infos").append('\0'));
        registry.setValue(kHKeyLocalMachine, kLocKey, kLocValue, kRegSz, QByteArray("/ailleurs"));
        StartSysInfo(registry, nullptr);
        QCOMPARE(m_started, QStringList{QStringLiteral("/nulle/part/infos")});
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(registry.queried(), QStringList{kPathQuery});
    }

    void pathWhoseStartFailsShowsTheMessage()
    {
        // The program named by "PATH" does not exist: it is not looked for,
        // "MSINFO" is not read even though it would lead to a program, the
        // start fails and the message is shown.
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(putProgramIn(folder.path()));

        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, kPathKey, kPathValue, kRegSz,
                          QByteArray("/nulle/part/infos").append('\0'));
        registry.setValue(kHKeyLocalMachine, kLocKey, kLocValue, kRegSz,
                          QFile::encodeName(folder.path()));
        m_startResult = false;
        StartSysInfo(registry, nullptr);
        QCOMPARE(m_started, QStringList{QStringLiteral("/nulle/part/infos")});
        QCOMPARE(registry.queried(), QStringList{kPathQuery});
        expectMessageOnly();
    }

    void pathOfAnotherTypeCountsAsEmpty()
    {
        QTemporaryDir folder;
        QVERIFY(putProgramIn(folder.path()));

        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, kPathKey, kPathValue, 3, QByteArray("/bin/sh"));
        registry.setValue(kHKeyLocalMachine, kLocKey, kLocValue, kRegSz,
                          QFile::encodeName(folder.path()));
        StartSysInfo(registry, nullptr);
        QVERIFY(m_started.isEmpty());
        QCOMPARE(registry.queried(), QStringList{kPathQuery});
        expectMessageOnly();
    }

    void folderValue_data()
    {
        QTest::addColumn<bool>("pathKeyExists");
        QTest::addColumn<bool>("pathKeyDenied");
        QTest::newRow("no PATH value") << true << false;
        QTest::newRow("no MSINFO key") << false << false;
        QTest::newRow("MSINFO key without full access") << true << true;
    }
    void folderValue()
    {
        QFETCH(bool, pathKeyExists);
        QFETCH(bool, pathKeyDenied);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        MemoryRegistry registry;
        if (pathKeyExists)
            registry.setValue(kHKeyLocalMachine, kPathKey, QStringLiteral("Autre"), kRegSz,
                              QByteArray("/bin/sh"));
        if (pathKeyDenied) {
            registry.setValue(kHKeyLocalMachine, kPathKey, kPathValue, kRegSz,
                              QByteArray("/bin/sh"));
            registry.denyAccess(kHKeyLocalMachine, kPathKey);
        }
        registry.setValue(kHKeyLocalMachine, kLocKey, kLocValue, kRegSz,
                          QFile::encodeName(folder.path()).append('\0'));

        // A folder without the program: the message, nothing started.
        StartSysInfo(registry, nullptr);
        QVERIFY(m_started.isEmpty());
        expectMessageOnly();
        QVERIFY(registry.queried().contains(kLocQuery));

        // The same folder once the program is in it: that file is started.
        m_shown.clear();
        const QString program = folder.path() + QStringLiteral("/MSINFO32.EXE");
        QVERIFY(putProgramIn(folder.path()));
        StartSysInfo(registry, nullptr);
        QCOMPARE(m_started, QStringList{program});
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(registry.openKeyCount(), 0);
    }

    void folderNamingADirectoryIsNotAProgram()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("MSINFO32.EXE")));
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, kLocKey, kLocValue, kRegSz,
                          QFile::encodeName(folder.path()));
        StartSysInfo(registry, nullptr);
        QVERIFY(m_started.isEmpty());
        expectMessageOnly();
    }

    void folderProgramWhoseStartFails()
    {
        QTemporaryDir folder;
        QVERIFY(putProgramIn(folder.path()));
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, kLocKey, kLocValue, kRegSz,
                          QFile::encodeName(folder.path()));
        m_startResult = false;
        StartSysInfo(registry, nullptr);
        QCOMPARE(m_started.size(), 1);
        expectMessageOnly();
    }

    void nothingRecorded()
    {
        MemoryRegistry registry;
        StartSysInfo(registry, nullptr);
        QVERIFY(m_started.isEmpty());
        expectMessageOnly();
    }

    // --- This platform's registry ---

#ifndef Q_OS_WIN
    void systemRegistryNamesTheFirstProgramFound_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("only kinfocenter") << QStringList{QStringLiteral("kinfocenter")}
                                          << QStringLiteral("kinfocenter");
        QTest::newRow("hardinfo before kinfocenter")
            << QStringList{QStringLiteral("kinfocenter"), QStringLiteral("hardinfo")}
            << QStringLiteral("hardinfo");
        QTest::newRow("hardinfo2 first")
            << QStringList{QStringLiteral("hardinfo"), QStringLiteral("hardinfo2"),
                           QStringLiteral("lshw-gtk")}
            << QStringLiteral("hardinfo2");
        QTest::newRow("a file that cannot be run is skipped")
            << QStringList{QStringLiteral("-hardinfo"), QStringLiteral("cpu-x")}
            << QStringLiteral("cpu-x");
    }
    void systemRegistryNamesTheFirstProgramFound()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, expected);
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        for (QString name : installed) {
            const bool runnable = !name.startsWith(QLatin1Char('-'));
            if (!runnable)
                name.remove(0, 1);
            QFile f(bin.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n");
            f.close();
            if (runnable)
                QVERIFY(f.setPermissions(f.permissions() | QFile::ExeOwner));
        }
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        const auto registry = makeSystemRegistry();
        qputenv("PATH", savedPath);

        StartSysInfo(*registry, nullptr);
        if (expected.isEmpty()) {
            QVERIFY(m_started.isEmpty());
            expectMessageOnly();
        } else {
            QCOMPARE(m_started, QStringList{bin.filePath(expected)});
            QVERIFY(m_shown.isEmpty());
        }
        // No folder value on this platform.
        QString folder = QStringLiteral("avant");
        QVERIFY(!GetKeyValue(*registry, kHKeyLocalMachine, kLocKey, kLocValue, folder));
        QVERIFY(folder.isEmpty());
    }
#endif
};

QTEST_GUILESS_MAIN(TestAboutLauncher)
#include "tst_about_launcher.moc"
