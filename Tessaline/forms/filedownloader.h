#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>

class QNetworkReply;

// One HTTP GET into memory. The request starts when the object is built; `downloaded()` says that it
// ended, well or not, and the owner then reads the bytes. A download that receives nothing new for the
// stall time is given up, so that a server that accepts and then falls silent cannot hold the updater
// forever. Failed downloads (refused, HTTP errors, stalled) leave the bytes empty: an error page is never
// taken for the file.
class FileDownloader : public QObject
{
    Q_OBJECT
public:
    static constexpr int defaultStallTimeoutMs = 30000;

    explicit FileDownloader(const QUrl &url, QObject *parent = nullptr, int stallTimeoutMs = defaultStallTimeoutMs);
    ~FileDownloader() override;

    const QByteArray &downloadedData() const { return m_downloadedData; }
    bool isFinished() const { return m_finished; }
    // True when the download ended without the whole file: the network's or the server's error, or a stall.
    bool failed() const { return m_failed; }
    bool stalled() const { return m_stalled; }
    QString errorString() const { return m_errorString; }
    int stallTimeoutMs() const { return m_stallTimer.interval(); }

signals:
    void downloaded();
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);

private slots:
    void fileDownloaded(QNetworkReply *pReply);
    void on_downloadProgress(qint64 bytesReceived, qint64 bytesTotal);

private:
    void stallTimedOut();

    QNetworkAccessManager m_webCtrl;
    QNetworkReply *m_reply = nullptr;
    QByteArray m_downloadedData;
    QTimer m_stallTimer;
    bool m_finished = false;
    bool m_failed = false;
    bool m_stalled = false;
    QString m_errorString;
};
