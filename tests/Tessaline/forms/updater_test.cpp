#include "common/ini.h"
#include "common/platform/paths.h"
#include "forms/filedownloader.h"
#include "forms/frmmain.h"
#include "forms/frmoptions.h"
#include "forms/frmupdater.h"
#include "scriptedprompts.h"
#include "testenvironment.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFile>
#include <QHash>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextEdit>
#include <QtEndian>
#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>

namespace
{

bool waitUntil(const std::function<bool()> &condition, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(5);
    return condition();
}

// How the test server hands out one file.
enum class Delivery { Whole, StallHalfway, CloseHalfway, NotFound };

struct Answer {
    QByteArray body;
    Delivery delivery = Delivery::Whole;
};

// A plain HTTP/1.1 server on localhost, so that the updater meets real sockets: it answers the files of
// "/update/win_dx/" whole, stops sending halfway and stays silent, closes halfway, or does not know them.
class UpdateServer : public QObject
{
public:
    UpdateServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &UpdateServer::acceptAll);
    }
    QUrl baseUrl() const { return QUrl(QString("http://127.0.0.1:%1/update/win_dx/").arg(m_server.serverPort())); }
    void set(const QString &file, const Answer &answer) { m_answers[file] = answer; }

    QStringList requested;
    // Connections the client closed while their answer was still incomplete.
    int abandoned = 0;

private:
    void acceptAll()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    }

    void serve(QTcpSocket *socket)
    {
        QByteArray &request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        request.clear();
        requested << path;
        const QString prefix = "/update/win_dx/";
        const QString file = path.mid(prefix.size());
        const bool known = path.startsWith(prefix) && m_answers.contains(file);
        const Answer answer = known ? m_answers[file] : Answer{"Not found", Delivery::NotFound};
        const QByteArray status = answer.delivery == Delivery::NotFound ? "404 Not Found" : "200 OK";
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                      QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n");
        const bool halfway = answer.delivery == Delivery::StallHalfway || answer.delivery == Delivery::CloseHalfway;
        socket->write(halfway ? answer.body.left(answer.body.size() / 2) : answer.body);
        if (answer.delivery == Delivery::StallHalfway)
            connect(socket, &QTcpSocket::disconnected, this, [this] { ++abandoned; });
        else
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_requests;
};

// Stands in for the browser: the web addresses the program asked to open.
class BrowserStandIn : public QObject
{
    Q_OBJECT
public:
    BrowserStandIn() { QDesktopServices::setUrlHandler("http", this, "open"); }
    ~BrowserStandIn() override { QDesktopServices::unsetUrlHandler("http"); }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

QByteArray withTrailer(const QByteArray &body)
{
    const auto crc = quint32(crc32(0L, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size())));
    char trailer[4];
    qToLittleEndian(crc, trailer);
    return body + QByteArray(trailer, 4);
}

QByteArray flipped(QByteArray bytes, int index)
{
    bytes[index] = char(bytes[index] ^ 0x10);
    return bytes;
}

// Big enough that the progress bar moves in several steps; any byte value appears.
QByteArray generatedBody()
{
    QByteArray body(300000, '\0');
    quint32 state = 2463534242u;
    for (char &byte : body) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state);
    }
    return body;
}

const QByteArray body = generatedBody();
const QString releaseNotes = "Build 7971\nFaster raft layers.\nUmlauts survive: Größe";
const QString corrupted = "Error: Downloaded update is corrupted.";
const QString notDownloaded = "Error: The update could not be downloaded.";

// A port nobody listens on: one that was free a moment ago.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

class UpdaterTest : public testing::Test
{
protected:
    UpdaterTest() : prompts(std::make_unique<ScriptedPrompts>()), updater(prompts)
    {
        script = static_cast<ScriptedPrompts *>(prompts.get());
        updater.setBaseUrl(server.baseUrl());
        server.set("version", {"7971\n"});
        server.set("description", {releaseNotes.toUtf8()});
        server.set("content", {withTrailer(body)});
    }

    QPushButton *button(const char *name) { return updater.findChild<QPushButton *>(name); }
    QProgressBar *progress() { return updater.findChild<QProgressBar *>("pbDownload"); }
    QString shownNotes() { return updater.findChild<QTextEdit *>("mDescription")->toPlainText(); }

    // A check that finds the newer build, then "Start".
    void startDownload()
    {
        updater.checkForUpdates(true);
        ASSERT_TRUE(waitUntil([&] { return updater.isVisible(); }));
        button("bStart")->click();
    }

    UpdateServer server;
    std::unique_ptr<UserPrompts> prompts;
    ScriptedPrompts *script = nullptr;
    FrmUpdater updater;
};

struct VersionCase {
    const char *name;
    Answer version;
    bool reachable;
    bool interactive;
    QStringList said;
    bool offersDownload;
};

void PrintTo(const VersionCase &c, std::ostream *os)
{
    *os << c.name;
}

class VersionAnswers : public UpdaterTest, public testing::WithParamInterface<VersionCase>
{
};

const QString upToDate = "The local version is up to date.";
const QString noVersion = "Unable to get version information from server.";

const VersionCase versionCases[] = {
    {"NewerAsked", {"7971"}, true, true, {}, true},
    {"NewerAutomaticWithLineEnd", {"7971\r\n"}, true, false, {}, true},
    {"EqualAsked", {"7970"}, true, true, {upToDate}, false},
    {"EqualAutomatic", {"7970"}, true, false, {}, false},
    {"OlderAsked", {"812"}, true, true, {upToDate}, false},
    {"GarbageAsked", {"<html>busy</html>"}, true, true, {noVersion}, false},
    {"GarbageAutomatic", {"<html>busy</html>"}, true, false, {}, false},
    {"EmptyAsked", {""}, true, true, {noVersion}, false},
    {"MissingAsked", {"7971", Delivery::NotFound}, true, true, {noVersion}, false},
    {"ClosedPortAsked", {"7971"}, false, true, {noVersion}, false},
    {"ClosedPortAutomatic", {"7971"}, false, false, {}, false},
};

INSTANTIATE_TEST_SUITE_P(Updater, VersionAnswers, testing::ValuesIn(versionCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Only a newer build opens the dialog; interactive checks say why nothing happens, automatic ones are silent.
TEST_P(VersionAnswers, OnlyANewerBuildOffersTheDownload)
{
    const VersionCase &c = GetParam();
    server.set("version", c.version);
    if (!c.reachable)
        updater.setBaseUrl(QUrl(QString("http://127.0.0.1:%1/update/win_dx/").arg(closedPort())));
    updater.checkForUpdates(c.interactive);
    ASSERT_TRUE(waitUntil([&] { return !updater.checking(); }));
    EXPECT_EQ(script->asked.join('\n').toStdString(), c.said.join('\n').toStdString());
    EXPECT_EQ(updater.isVisible(), c.offersDownload);
    if (c.offersDownload) {
        ASSERT_TRUE(waitUntil([&] { return !shownNotes().isEmpty(); }));
        EXPECT_EQ(shownNotes(), releaseNotes);
        EXPECT_EQ(updater.windowTitle(), "Tessaline updater");
        EXPECT_FALSE(button("bStart")->isHidden());
        EXPECT_TRUE(button("bAbort")->isHidden());
        EXPECT_EQ(progress()->value(), 0);
    }
    if (c.reachable)
        EXPECT_TRUE(server.requested.contains("/update/win_dx/version"));
    EXPECT_FALSE(updater.hasPackage());
}

struct PackageCase {
    const char *name;
    Answer content;
    QByteArray kept;
    QString said; // the start of the one message, empty for none
};

void PrintTo(const PackageCase &c, std::ostream *os)
{
    *os << c.name;
}

class PackageAnswers : public UpdaterTest, public testing::WithParamInterface<PackageCase>
{
};

const PackageCase packageCases[] = {
    {"TrailerMatches", {withTrailer(body)}, body, ""},
    // The CRC-32 check value of "123456789", written out as the package format has it.
    {"KnownCheckValue", {QByteArray("123456789\x26\x39\xF4\xCB", 13)}, "123456789", ""},
    {"FirstByteFlipped", {flipped(withTrailer(body), 0)}, "", corrupted},
    {"MiddleByteFlipped", {flipped(withTrailer(body), body.size() / 2)}, "", corrupted},
    {"LastBodyByteFlipped", {flipped(withTrailer(body), body.size() - 1)}, "", corrupted},
    {"TrailerByteFlipped", {flipped(withTrailer(body), body.size() + 3)}, "", corrupted},
    {"TrailerBigEndian", {QByteArray("123456789\xCB\xF4\x39\x26", 13)}, "", corrupted},
    {"ShorterThanTrailer", {"abc"}, "", corrupted},
    {"TrailerAlone", {withTrailer("")}, "", corrupted},
    {"ServerClosesHalfway", {withTrailer(body), Delivery::CloseHalfway}, "", notDownloaded},
    {"NotOnServer", {"gone", Delivery::NotFound}, "", notDownloaded},
};

INSTANTIATE_TEST_SUITE_P(Updater, PackageAnswers, testing::ValuesIn(packageCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Only a package whose trailer is the CRC-32 of the rest is kept, without its trailer.
TEST_P(PackageAnswers, OnlyAVerifiedPackageIsKept)
{
    const PackageCase &c = GetParam();
    server.set("content", c.content);
    startDownload();
    EXPECT_TRUE(button("bStart")->isHidden());
    EXPECT_FALSE(button("bAbort")->isHidden());
    ASSERT_TRUE(waitUntil([&] { return !updater.isVisible() || !script->asked.isEmpty(); }));
    EXPECT_EQ(updater.package(), c.kept);
    EXPECT_EQ(updater.hasPackage(), !c.kept.isEmpty());
    if (c.said.isEmpty()) {
        EXPECT_TRUE(script->asked.isEmpty()) << script->asked.join('\n').toStdString();
        EXPECT_EQ(progress()->value(), 100);
    } else {
        ASSERT_EQ(script->asked.size(), 1);
        EXPECT_TRUE(script->asked[0].startsWith(c.said)) << script->asked[0].toStdString();
    }
    // A corrupted package ends the dialog; a failed transfer leaves it open for another try.
    EXPECT_EQ(updater.isVisible(), c.said == notDownloaded);
}

TEST_F(UpdaterTest, AbortLeavesNoPackageAndEndsTheTransfer)
{
    server.set("content", {withTrailer(body), Delivery::StallHalfway});
    startDownload();
    ASSERT_TRUE(waitUntil([&] { return server.requested.contains("/update/win_dx/content"); }));
    button("bAbort")->click();
    EXPECT_FALSE(updater.isVisible());
    EXPECT_TRUE(waitUntil([&] { return server.abandoned == 1; }));
    EXPECT_FALSE(updater.hasPackage());
    EXPECT_TRUE(script->asked.isEmpty());
}

TEST_F(UpdaterTest, StalledDownloadEndsWithAMessageAndStartTriesAgain)
{
    updater.setStallTimeout(200);
    server.set("content", {withTrailer(body), Delivery::StallHalfway});
    startDownload();
    ASSERT_TRUE(waitUntil([&] { return !script->asked.isEmpty(); }));
    EXPECT_EQ(script->asked.join('\n').toStdString(),
              "Error: The download of the update stopped: no data arrived for 0.2 seconds.");
    EXPECT_TRUE(waitUntil([&] { return server.abandoned == 1; }));
    EXPECT_TRUE(updater.isVisible());
    EXPECT_FALSE(button("bStart")->isHidden());
    EXPECT_TRUE(button("bAbort")->isHidden());

    updater.setStallTimeout(FileDownloader::defaultStallTimeoutMs);
    server.set("content", {withTrailer(body)});
    button("bStart")->click();
    ASSERT_TRUE(waitUntil([&] { return !updater.isVisible(); }));
    EXPECT_EQ(updater.package(), body);
    EXPECT_EQ(script->asked.size(), 1);
}

// The main window: where checks start and what a verified package does to the window.
class UpdaterWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        server.set("version", {"7971"});
        server.set("description", {releaseNotes.toUtf8()});
        server.set("content", {withTrailer(body)});
        qputenv("TESSALINE_UPDATE_SERVER", server.baseUrl().toString().toUtf8());
        Ini &ini = Ini::global();
        ini.reload();
        ini.setInt("askForCheckUpdates", 0);
        ini.remove("FrmOptions.chCheckForUpdatesOnStartup");
        ini.setString("lastProject", QString());
        ini.store();
        QFile::remove(platform::dataDir() + "_lastUnsavedProject.tsprj");
        window = std::make_unique<FrmMain>();
        auto scripted = std::make_unique<ScriptedPrompts>();
        script = scripted.get();
        script->answer = QMessageBox::Discard;
        window->setUserPrompts(std::move(scripted));
    }
    void TearDown() override
    {
        window.reset();
        qputenv("TESSALINE_UPDATE_SERVER", previousServer);
    }

    void downloadFromOptions()
    {
        window->frmOptions().on_bCheckForUpdates_clicked();
        FrmUpdater &updater = window->frmUpdater();
        ASSERT_TRUE(waitUntil([&] { return updater.isVisible(); }));
        updater.findChild<QPushButton *>("bStart")->click();
        ASSERT_TRUE(waitUntil([&] { return updater.hasPackage(); }));
    }

    QUrl downloadPage() const { return server.baseUrl().resolved(QUrl("download.html")); }

    const QByteArray previousServer = qgetenv("TESSALINE_UPDATE_SERVER");
    UpdateServer server;
    BrowserStandIn browser;
    std::unique_ptr<FrmMain> window;
    ScriptedPrompts *script = nullptr;
};

TEST_F(UpdaterWindowTest, AVerifiedDownloadClosesTheWindowAndOpensTheDownloadPage)
{
    window->show();
    downloadFromOptions();
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(browser.opened, QList<QUrl>{downloadPage()});
    EXPECT_EQ(window->frmUpdater().package(), body);
}

TEST_F(UpdaterWindowTest, ACancelledSavePromptKeepsTheWindowUntilTheUserCloses)
{
    window->openPath(sourceDir() + "/tests/fixtures/meshes/cube_binary.stl", false);
    script->answer = QMessageBox::Cancel;
    window->show();
    downloadFromOptions();
    ASSERT_TRUE(waitUntil([&] { return !script->asked.isEmpty(); }));
    for (int tick = 0; tick < 5; ++tick)
        window->onTimer();
    EXPECT_EQ(script->asked.size(), 1) << script->asked.join('\n').toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(browser.opened.isEmpty());

    script->answer = QMessageBox::Discard;
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(browser.opened, QList<QUrl>{downloadPage()});
}

TEST_F(UpdaterWindowTest, TheFirstStartAnswerDecidesTheAutomaticCheck)
{
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        const bool yes = answer == QMessageBox::Yes;
        Ini::global().setInt("askForCheckUpdates", 1);
        script->answer = answer;
        window->delayedStartup();
        EXPECT_EQ(window->frmUpdater().checking(), yes);
        EXPECT_EQ(FrmOptions().checkUpdatesOnStartup(), yes) << "the answer is kept for the next start";
        if (yes)
            EXPECT_TRUE(waitUntil([&] { return window->frmUpdater().isVisible(); }));
        else
            EXPECT_TRUE(server.requested.isEmpty());
        // A later start asks nothing and follows the stored choice.
        window->frmUpdater().reject();
        server.requested.clear();
        window->delayedStartup();
        EXPECT_EQ(window->frmUpdater().checking(), yes);
    }
}

} // namespace

#include "updater_test.moc"
