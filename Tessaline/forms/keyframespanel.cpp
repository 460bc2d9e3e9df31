#include "forms/keyframespanel.h"
#include "ui_keyframespanel.h"

#include "common/platform/paths.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

KeyFramesPanel::KeyFramesPanel(QWidget *parent) : QGroupBox(parent), ui(std::make_unique<Ui::KeyFramesPanel>())
{
    ui->setupUi(this);
    wireButtons();
    m_playTimer.setInterval(15);
    connect(&m_playTimer, &QTimer::timeout, this, &KeyFramesPanel::playTick);
    showState();
}

KeyFramesPanel::~KeyFramesPanel() = default;

void KeyFramesPanel::wireButtons()
{
    connect(ui->bkfHome, &QPushButton::clicked, this, [this] { moveTo(0); });
    connect(ui->bkfEnd, &QPushButton::clicked, this, [this] { moveTo(m_frames.count() - 1); });
    connect(ui->bkfPrev, &QPushButton::clicked, this, [this] { moveTo(m_position - 1); });
    connect(ui->bkfNext, &QPushButton::clicked, this, [this] { moveTo(m_position + 1); });
    connect(ui->bkfInsert, &QPushButton::clicked, this, [this] { insertCurrent(m_position); });
    connect(ui->bkfInsertAfter, &QPushButton::clicked, this,
            [this] { insertCurrent(m_frames.count() == 0 ? 0 : m_position + 1); });
    connect(ui->bkfSet, &QPushButton::clicked, this, [this] {
        if (m_frames.count() == 0)
            insertCurrent(0);
        else
            m_frames.set(m_position, currentFrame());
        showState();
    });
    connect(ui->bkfDelete, &QPushButton::clicked, this, [this] {
        m_frames.remove(m_position);
        moveTo(m_position);
    });
    connect(ui->bkfDeleteAll, &QPushButton::clicked, this, [this] {
        m_frames.clear();
        m_position = 0;
        showState();
    });
    connect(ui->bkfPlay, &QPushButton::clicked, this, &KeyFramesPanel::startOrStopPlaying);
    connect(ui->bkfRender, &QPushButton::clicked, this, [this] { render(platform::dataDir() + "!capture"); });
}

KeyFrames::Frame KeyFramesPanel::currentFrame() const
{
    KeyFrames::Frame frame;
    if (m_view.camera)
        frame.camera = m_view.camera();
    frame.durationMs = ui->seKeyDuration->value();
    return frame;
}

void KeyFramesPanel::moveTo(int position)
{
    m_position = std::clamp(position, 0, std::max(0, m_frames.count() - 1));
    if (m_frames.count() > 0) {
        ui->seKeyDuration->setValue(m_frames.frame(m_position).durationMs);
        if (m_view.setCamera)
            m_view.setCamera(m_frames.frame(m_position).camera);
    }
    showState();
}

void KeyFramesPanel::insertCurrent(int index)
{
    m_position = m_frames.insert(index, currentFrame());
    showState();
}

void KeyFramesPanel::startOrStopPlaying()
{
    if (m_state == State::Playing || m_frames.count() == 0) {
        m_playTimer.stop();
        m_state = State::Stopped;
    } else {
        m_state = State::Playing;
        m_playClock.start();
        m_playTimer.start();
    }
    showState();
}

void KeyFramesPanel::playTick()
{
    if (m_frames.count() == 0) {
        startOrStopPlaying();
        return;
    }
    const double ms = double(m_playClock.elapsed());
    if (m_view.setCamera)
        m_view.setCamera(m_frames.interpolate(ms));
    m_position = m_frames.frameAt(ms);
    if (ms >= m_frames.totalMs())
        startOrStopPlaying();
    else
        showState();
}

int KeyFramesPanel::render(const QString &folder)
{
    if (m_frames.count() == 0 || !m_view.setCamera || !m_view.grab)
        return 0;
    QDir().mkpath(folder);
    m_state = State::Rendering;
    showState();
    const Camera before = m_view.camera ? m_view.camera() : Camera();
    const int images = int(std::floor(m_frames.totalMs() * double(renderRate) / 1000.0)) + 1;
    int written = 0;
    for (int n = 0; n < images; ++n) {
        m_view.setCamera(m_frames.interpolate(n * 1000.0 / renderRate));
        if (m_view.grab().save(QDir(folder).filePath(QString::asprintf("%.4d", n) + ".bmp"), "BMP"))
            ++written;
    }
    m_view.setCamera(before);
    m_state = State::Stopped;
    showState();
    return written;
}

QString KeyFramesPanel::stateText() const
{
    if (m_frames.count() == 0 && m_state == State::Stopped)
        return "No frames";
    const char *state = m_state == State::Playing ? "playing" : m_state == State::Rendering ? "rendering" : "stopped";
    return QString("%1  Pos:%2  Count:%3").arg(state).arg(m_position + 1).arg(m_frames.count());
}

void KeyFramesPanel::showState()
{
    ui->lKeyFrames->setText(stateText());
    ui->bkfPlay->setText(m_state == State::Playing ? "Stop" : "Play");
}

void KeyFramesPanel::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_frames = KeyFrames::fromJson(file.read(16 << 20));
    m_position = 0;
    showState();
}

bool KeyFramesPanel::store(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(m_frames.toJson());
    return file.commit();
}
