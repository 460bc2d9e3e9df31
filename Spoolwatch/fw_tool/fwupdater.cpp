#include "fw_tool/fwupdater.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThreadPool>
#include <QTimer>

namespace
{

// A firmware server that never answers must not hold the pool's thread for good.
constexpr int downloadTimeoutMs = 60000;

QMutex firmwareLock;
QByteArray firmwareFile; // guarded by firmwareLock: downloaded once per program run

QByteArray download(const QUrl &url)
{
    QNetworkAccessManager network;
    QEventLoop loop;
    QNetworkReply *reply = network.get(QNetworkRequest(url));
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(downloadTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QByteArray body;
    if (reply->isFinished() && reply->error() == QNetworkReply::NoError)
        body = reply->readAll();
    reply->abort();
    delete reply;
    return body;
}

} // namespace

QString FWUpdater::boardName(mWORKER::Board board)
{
    return board == mWORKER::LcdBoard ? "LCD board" : "Main board";
}

QString FWUpdater::workingText(mWORKER::Board board, const QString &status)
{
    return "<b>Updating " + boardName(board) + " :</b> " + status;
}

QString FWUpdater::successText(mWORKER::Board board)
{
    return "<b><font color=lime>" + boardName(board) + " updated successfully.</font></b>";
}

QString FWUpdater::errorText(mWORKER::Board board, const QString &status)
{
    return "<b><font color=red>Error updating " + boardName(board) + " :</font></b> " + status;
}

FWUpdater::FWUpdater() : m_shared(std::make_shared<Shared>()) {}

void FWUpdater::forgetFirmware()
{
    QMutexLocker locker(&firmwareLock);
    firmwareFile.clear();
}

QString FWUpdater::panelText() const
{
    QString status;
    {
        QMutexLocker locker(&m_shared->lock);
        status = m_shared->status;
    }
    switch (m_shared->state.load()) {
    case Running:
        return workingText(m_shared->board, status);
    case Succeeded:
        return successText(m_shared->board);
    case Failed:
        return errorText(m_shared->board, status);
    default:
        return QString();
    }
}

QString FWUpdater::takeMessage()
{
    QMutexLocker locker(&m_shared->lock);
    QString message;
    message.swap(m_shared->message);
    return message;
}

mWORKER::Information FWUpdater::information() const
{
    QMutexLocker locker(&m_shared->lock);
    return m_shared->information;
}

void FWUpdater::start(const QString &portName, mWORKER::Board board, bool printerInBootLoader, const QUrl &server,
                      SambaTiming timing)
{
    if (m_shared->state == Running)
        return;
    m_shared->state = Running;
    m_shared->board = board;
    m_shared->range = 0;
    m_shared->progress = 0;
    {
        QMutexLocker locker(&m_shared->lock);
        m_shared->status = "Downloading...";
        m_shared->information = mWORKER::Information();
    }
    mWORKER::Job job;
    job.portName = portName;
    job.board = board;
    job.printerInBootLoader = printerInBootLoader;
    job.timing = timing;
    job.applet = SAM_BA::flashApplet();
    std::shared_ptr<Shared> shared = m_shared;
    QThreadPool::globalInstance()->start([shared, job, server] { run(shared, job, server); });
}

void FWUpdater::run(std::shared_ptr<Shared> shared, mWORKER::Job job, QUrl server)
{
    const auto fail = [&shared](const QString &status, const QString &message = QString()) {
        QMutexLocker locker(&shared->lock);
        shared->status = status;
        shared->message = message;
        shared->state = Failed;
    };
    QByteArray file;
    {
        QMutexLocker locker(&firmwareLock);
        if (firmwareFile.isEmpty())
            firmwareFile = download(server.resolved(QUrl("/zor3nixa.firmware")));
        file = firmwareFile;
    }
    if (file.isEmpty())
        return fail(firmwarefile::downloadFailedMessage, firmwarefile::downloadFailedMessage);
    FirmwareImages images;
    if (!firmwarefile::load(file, images)) {
        // A damaged download is fetched again next time rather than kept.
        forgetFirmware();
        return fail(firmwarefile::crcErrorMessage, firmwarefile::crcErrorMessage);
    }
    job.image = job.board == mWORKER::LcdBoard ? images.lcdBoard : images.mainBoard;
    mWORKER worker(job);
    worker.onRange = [&shared](int range) { shared->range = range; };
    worker.onProgress = [&shared](int value) { shared->progress = value; };
    worker.onStatus = [&shared](const QString &status, bool) {
        QMutexLocker locker(&shared->lock);
        shared->status = status;
    };
    const int result = worker.Run();
    {
        QMutexLocker locker(&shared->lock);
        shared->information = worker.information();
    }
    shared->result = result;
    if (result == int(SAM_BA::Success) || result == mWORKER::restartRequested) {
        shared->state = Succeeded;
        return;
    }
    if (result == mWORKER::connectError || result == mWORKER::notCompleted)
        return fail(worker.failure().isEmpty() ? QString("not completed") : worker.failure());
    fail(QString("%1 (result %2)").arg(SAM_BA::resultText(unsigned(result))).arg(result));
}
