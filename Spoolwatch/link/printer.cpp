#include "link/printer.h"

#include "common/duration.h"
#include "common/gcode/gcodesimxcode.h"
#include "link/replies.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace
{

constexpr double pollSeconds = 5;
// The firmware installer starts this long after the printer changed mode, so the port has settled.
constexpr int installerDelayMs = 300;

QString fanText(int fan)
{
    if (fan <= 0)
        return "OFF";
    if (fan >= 255)
        return "MAX";
    return QString::number(std::clamp(int(std::lround(fan * 100.0 / 255)), 1, 99)) + "%";
}

} // namespace

Printer::Printer(ComThread::Clock clock, QObject *parent) : QObject(parent), m_link(std::move(clock))
{
    m_wallClock.start();
    m_link.start(QThread::TimeCriticalPriority);
}

Printer::~Printer()
{
    m_link.requestStop();
    m_link.wait();
}

QString Printer::kindName(int kind)
{
    switch (kind) {
    case Taliform:
        return "Taliform";
    case TaliformFirmwareUpdate:
        return "Taliform(FW update mode)";
    default:
        return "Unknown printer";
    }
}

void Printer::setPort(int kind, const QString &portName, const QString &description)
{
    m_kind = kind;
    m_description = description;
    m_disconnected = false;
    applyPortSettings(portName);
}

void Printer::applyPortSettings(const QString &portName)
{
    // A printer in its boot loader speaks SAM-BA, not G-code, and during an update the installer owns the
    // port: the link keeps it closed.
    m_link.setPort(portName, m_kind != TaliformFirmwareUpdate && m_firmwareUpdateStep < 2, baudRate);
}

void Printer::setFirmwareUpdateStep(int step)
{
    m_firmwareUpdateStep = step;
    m_lcdBoardNext = step == 1;
    applyPortSettings(m_link.portName());
}

bool Printer::loadJob(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QString("Printer::loadJob() Cannot open %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return loadJobText(file.readAll(), fileName, error);
}

bool Printer::loadJobText(const QByteArray &text, const QString &fileName, QString *error)
{
    if (jobBegun()) {
        const QString refusal = "There's an ongoing print job. Stop it first If you want to load another file!";
        if (error)
            *error = refusal;
        emit message(refusal);
        return false;
    }
    m_panel.time = "Parsing...";
    const QByteArray job = processXCode(text);
    m_index = JobIndex::build(job);
    m_link.loadJob(job);
    m_jobFileName = fileName;
    m_paused = false;
    m_playing = false;
    m_stopReason.clear();
    m_wasAtEnd = jobAtEnd();
    refreshPanel();
    return true;
}

bool Printer::jobAtStart() const
{
    return m_link.jobCursor() == 0;
}

bool Printer::jobAtEnd() const
{
    return jobLoaded() && m_link.jobCursor() >= m_link.jobSize() && m_link.printMode() == 0;
}

QString Printer::parkMove(float x, float y) const
{
    return QString("G90\nG0 X%1 Y%2 F%3")
        .arg(QString::number(x, 'g', 6), QString::number(y, 'g', 6), QString::number(travelFeed, 'f', 0));
}

void Printer::playPause()
{
    if (!jobLoaded()) {
        emit message("Please load a GCode first!");
        return;
    }
    if (jobAtEnd() && !m_playing) {
        stop();
        return;
    }
    if (m_playing) {
        pause();
        return;
    }
    if (jobAtStart())
        m_link.sendCommand("M110 S1");
    else if (m_paused)
        resume();
    m_stopReason.clear();
    m_playing = true;
    m_link.setPrintMode(1);
}

void Printer::pause()
{
    m_pausedAt = m_link.stopJobAndFollow();
    m_playing = false;
    m_paused = true;
    m_link.sendCommand(parkMove(parkX, parkY).toLatin1());
}

void Printer::resume()
{
    m_link.sendCommand(parkMove(m_pausedAt.x, m_pausedAt.y).toLatin1());
    m_link.sendCommand("G1 F" + QByteArray::number(m_pausedAt.feed, 'f', 0));
    // Three decimals, as the job writes E: a whole-millimetre E would shift the next extrusion by up to
    // half a millimetre of filament.
    m_link.sendCommand("G92 E" + QByteArray::number(m_pausedAt.e, 'f', 3));
    // The park move switched to absolute (G90); after it both modes are absolute.
    const bool relXYZNow = false, relENow = false;
    if (m_pausedAt.relXYZ != relXYZNow)
        m_link.sendCommand(m_pausedAt.relXYZ ? "G91" : "G90");
    if (m_pausedAt.relE != relENow)
        m_link.sendCommand(m_pausedAt.relE ? "G83" : "G82");
    m_paused = false;
}

void Printer::stop()
{
    if (m_playing)
        pause();
    if (jobLoaded() && !jobAtStart())
        m_link.sendCommand("M110 S2");
    m_link.setPrintMode(0);
    m_link.rewindJob();
    m_playing = false;
    m_paused = false;
    m_wasAtEnd = false;
}

QByteArray Printer::extrudeCommand(float lengthMm, float speed) const
{
    const QByteArray length = QByteArray::number(lengthMm, 'f', 3);
    const float feed = m_link.followState().feed;
    // Before anything set a feed there is none to return to: "G1F0" would leave the printer at a feed
    // of zero for the job's next moves.
    const QByteArray restoreFeed = feed > 0 ? "\nG1F" + QByteArray::number(feed, 'f', 0) : QByteArray();
    if (m_kind != Taliform)
        return "G91\nG1E" + length + "F" + QByteArray::number(speed, 'f', 0) + "\nG90" + restoreFeed;
    // The Taliform form carries a Z word of its own: a hop of 0.001 mm written without decimals, so
    // both Z words read 0 and Z stays where it is.
    const QByteArray hop = QByteArray::number(0.001, 'f', 0);
    return "G91\nG1 Z" + hop + " E" + length + " F" + QByteArray::number(0.8 * speed, 'f', 0) + "\nG1 Z-" + hop +
           " F6000\nG90" + restoreFeed;
}

void Printer::setSpeedFactor(int percent)
{
    m_speedFactor = percent;
    sendCommand("M220 S" + QByteArray::number(percent));
}

void Printer::setExtrudeFactor(int percent)
{
    m_extrudeFactor = percent;
    sendCommand("M221 S" + QByteArray::number(percent));
}

void Printer::markDisconnected()
{
    // Closed, so that nothing is written to whatever takes the port's name next.
    m_link.setPort(m_link.portName(), false, baudRate);
    m_disconnected = true;
}

void Printer::requestFirmwareUpdate()
{
    if (jobBegun()) {
        emit message("There's an ongoing print job. Stop it first If you want to update the FirmWare!");
        return;
    }
    m_link.sendCommand("M6969 S69");
    m_firmwareUpdateStep = 1;
    m_lcdBoardNext = false;
}

void Printer::bInstallFW()
{
    emit installFirmwareRequested();
}

void Printer::update()
{
    const double seconds = m_wallClock.restart() / 1000.0;
    update(seconds);
}

void Printer::update(double elapsedSeconds)
{
    const bool connected = m_link.linkState() == ComThread::Connected;
    const bool connectedNow = connected && !m_wasConnected;
    m_wasConnected = connected;
    pollTemperatures(elapsedSeconds, connectedNow);
    if (connectedNow && m_kind == Taliform) {
        m_link.sendCommand("M1003");
        m_link.sendCommand("M110 S2");
    }
    followJob();
    readReplies();
    driveFirmwareUpdate();
    refreshPanel();
}

void Printer::pollTemperatures(double elapsedSeconds, bool connectedNow)
{
    if (connectedNow)
        m_fwBuild = 0;
    m_pollAccumulator += elapsedSeconds;
    bool poll = connectedNow;
    if (m_pollAccumulator >= pollSeconds) {
        m_pollAccumulator -= pollSeconds;
        if (m_pollAccumulator >= pollSeconds)
            m_pollAccumulator = 0;
        if (!m_temperatureSeen)
            m_tempHead = m_tempBed = 0;
        m_temperatureSeen = false;
        poll = true;
    }
    if (poll && m_link.linkState() == ComThread::Connected)
        m_link.sendCommand("M105");
}

void Printer::followJob()
{
    const int restarts = m_link.restartCount();
    const bool restarted = restarts != m_restartsSeen;
    m_restartsSeen = restarts;
    const bool atEnd = jobAtEnd();
    if (atEnd && !m_wasAtEnd)
        m_link.sendCommand("M110 S2");
    m_wasAtEnd = atEnd;
    if (!m_playing || (m_link.printMode() > 0 && m_link.linkState() == ComThread::Connected))
        return;
    // The link stopped taking job commands: the job ended, or the printer restarted or failed. The
    // cursor stays where it was; only the user resumes (Play) or rewinds (Stop).
    m_playing = false;
    if (atEnd)
        return;
    if (restarted)
        m_stopReason = "The printer restarted during the job.";
    else if (m_disconnected)
        m_stopReason = "Disconnected";
    else if (m_link.linkState() == ComThread::Error)
        m_stopReason = m_link.linkError();
    else
        m_stopReason = "The link closed during the job.";
}

void Printer::readReplies()
{
    m_logRest += m_link.mainLogSince(m_logPosition);
    QByteArray line;
    int start = 0;
    for (int end = m_logRest.indexOf('\n'); end >= 0; end = m_logRest.indexOf('\n', start)) {
        const QByteArray text = replyText(m_logRest.mid(start, end - start));
        start = end + 1;
        int head = 0, bed = 0, build = 0;
        if (parseTemperatures(text, head, bed)) {
            m_tempHead = head;
            m_tempBed = bed;
            m_temperatureSeen = true;
        } else if (parseFirmwareBuild(text, build)) {
            m_fwBuild = build;
            qDebug() << "printer ver" << build;
        }
    }
    m_logRest.remove(0, start);
}

void Printer::driveFirmwareUpdate()
{
    if (m_firmwareUpdateStep != 1)
        return;
    // A printer still in normal mode right after the request has not yet restarted into its boot loader,
    // and one still seen in its boot loader right after its main board has not yet left it: the main board
    // comes first, the LCD board once the printer is back in normal mode.
    if (m_kind == TaliformFirmwareUpdate && !m_lcdBoardNext)
        setFirmwareUpdateStep(2);
    else if (m_kind == Taliform && m_lcdBoardNext)
        setFirmwareUpdateStep(3);
    else
        return;
    QTimer::singleShot(installerDelayMs, this, &Printer::bInstallFW);
}

void Printer::refreshPanel()
{
    ++m_tick;
    const int state = m_link.linkState();
    const bool blank = (m_tick % 2 == 0) && m_link.takeActivity();
    if (state == ComThread::Error || m_disconnected)
        m_panel.ledColor = "red";
    else if (state == ComThread::Connected)
        m_panel.ledColor = m_link.mainOutstanding() ? "yellow" : "green";
    else
        m_panel.ledColor.clear();
    if (blank && !m_disconnected)
        m_panel.ledColor.clear();
    const QString error = m_disconnected ? QString("Disconnected") : m_link.linkError();
    m_panel.status =
        state == ComThread::Error || m_disconnected ? "<font color=red><b>Error:</b></font> " + error : QString();
    const FollowState follow = m_link.followState();
    m_panel.z = "Z: " + QString::number(follow.z, 'f', 3);
    m_panel.temperatures = QString("%1/%2").arg(m_tempHead).arg(m_tempBed);
    m_panel.fan = fanText(follow.fan);
    m_panel.fileName = jobLoaded() ? QFileInfo(m_jobFileName).fileName() : "&lt; No GCODE file loaded &gt;";
    const qint64 cursor = m_link.jobCursor();
    m_panel.time = jobTimeText(m_index, cursor);
    m_panel.progressMaximum = int(m_index.totalTime() * 10);
    m_panel.progressValue = int(m_index.elapsedAt(cursor) * 10);
    m_panel.titleSuffix = m_fwBuild > 0 && m_fwBuild < m_latestFirmwareBuild
                              ? " <font color=\"#FE1\">*New FirmWare is availabe.</font>"
                              : QString();
    const qint64 waited = m_link.okWaitMs();
    m_panel.okWait = waited > 0 ? "Waiting for ok " + durationText(waited / 1000.0) : QString();
}
