// The file source, built once with each implementation: the same reasons and the same bytes.
#include "FileSource.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestFileSource final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusals_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing file") << u"missing"_s << u"il file non esiste"_s;
        QTest::newRow("missing folder") << u"missing-folder"_s << u"il file non esiste"_s;
        QTest::newRow("file used as folder") << u"under-file"_s << u"il percorso non è valido"_s;
        QTest::newRow("folder") << u"folder"_s << u"è una cartella"_s;
        QTest::newRow("fifo") << u"fifo"_s << u"non è un file ordinario"_s;
        QTest::newRow("socket") << u"socket"_s << u"non è un file ordinario"_s;
        QTest::newRow("dev zero") << u"/dev/zero"_s << u"non è un file ordinario"_s;
        QTest::newRow("link to a fifo") << u"link-fifo"_s << u"non è un file ordinario"_s;
        QTest::newRow("no name") << QString() << u"nessun file indicato"_s;
        QTest::newRow("no permission") << u"locked"_s << u"accesso negato"_s;
    }
    void refusals()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString path = kind.isEmpty() || kind.startsWith(u'/') ? kind : dir.filePath(kind);
        if (kind == u"missing-folder") {
            path = dir.filePath(u"nope/table.tbl"_s);
        } else if (kind == u"under-file") {
            QFile file(dir.filePath(u"plain.tbl"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            path = file.fileName() + u"/table.tbl"_s;
        } else if (kind == u"folder") {
            QVERIFY(QDir(dir.path()).mkdir(kind));
        } else if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"link-fifo") {
            const QString fifo = dir.filePath(u"fifo"_s);
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            QVERIFY(QFile::link(fifo, path));
        } else if (kind == u"socket") {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(fd >= 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray native = QFile::encodeName(path);
            QVERIFY(std::size_t(native.size()) < sizeof(address.sun_path));
            std::copy(native.begin(), native.end(), address.sun_path);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
            ::close(fd);
        } else if (kind == u"locked") {
            if (::geteuid() == 0)
                QSKIP("root reads every file");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QVERIFY(file.setPermissions(QFileDevice::Permissions()));
        }

        FileSource source;
        QVERIFY(!source.open(QFile::encodeName(path)));
        QCOMPARE(source.error(), reason);
        char byte;
        QCOMPARE(source.read(&byte, 1), qint64(-1));
    }

    // Blocks of any size give the file back byte for byte, then 0 at the end.
    void readsInBlocks_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("1 byte") << 1;
        QTest::newRow("7 bytes") << 7;
        QTest::newRow("larger than the file") << (1 << 20);
    }
    void readsInBlocks()
    {
        QFETCH(int, capacity);
        QTemporaryDir dir;
        QByteArray bytes;
        for (int i = 0; i < 5000; ++i)
            bytes += char(i * 7);
        QFile file(dir.filePath(u"data.tbl"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
        file.close();

        FileSource source;
        QVERIFY2(source.open(QFile::encodeName(file.fileName())), qPrintable(source.error()));
        QCOMPARE(source.size(), qint64(bytes.size()));
        QByteArray back;
        QByteArray block(capacity, Qt::Uninitialized);
        for (qint64 n; (n = source.read(block.data(), capacity)) != 0;) {
            QVERIFY(n > 0 && n <= capacity);
            back += block.left(n);
        }
        QCOMPARE(back, bytes);
        QVERIFY(source.error().isEmpty());
        // A second open starts afresh.
        QVERIFY(!source.open(QFile::encodeName(dir.filePath(u"gone"_s))));
        QCOMPARE(source.error(), u"il file non esiste"_s);
    }

    // Changed between its opening and its end (a table cut short or grown while it is read):
    // what was read is not the file, and the end says so.
    void changedWhileRead_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("cut short") << u"cut"_s;
        QTest::newRow("grown") << u"grown"_s;
        QTest::newRow("same size, rewritten within the second") << u"rewritten"_s;
    }
    void changedWhileRead()
    {
        QFETCH(QString, change);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"cambia.tbl"_s));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(QByteArray(1000, 'x')), qint64(1000));
        QVERIFY(file.flush());
        // On a whole second, so that a rewrite half a second later falls within it.
        const QDateTime second = QDateTime::currentDateTime().addSecs(-10);
        const QDateTime written = second.addMSecs(-second.time().msec());
        QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        FileSource source;
        QVERIFY(source.open(QFile::encodeName(file.fileName())));
        char block[100];
        QCOMPARE(source.read(block, 100), qint64(100));
        if (change == u"cut")
            QVERIFY(file.resize(500));
        else if (change == u"grown")
            QVERIFY(file.write("y") == 1 && file.flush());
        else
            QVERIFY(file.seek(0) && file.write("z") == 1 && file.flush() &&
                    file.setFileTime(written.addMSecs(500), QFileDevice::FileModificationTime));
        qint64 n;
        while ((n = source.read(block, 100)) > 0) {
        }
        QCOMPARE(n, qint64(-1));
        QCOMPARE(source.error(), u"il file è cambiato durante la lettura"_s);
    }
};

QTEST_APPLESS_MAIN(TestFileSource)
#include "tst_filesource.moc"
