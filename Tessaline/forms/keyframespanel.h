#pragma once

#include "view/keyframes.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui
{
class KeyFramesPanel;
}

// The camera key frames of the preview: a list of camera states to fly through, edited at a cursor, played
// in the view or rendered into one image per animation frame. The view lends its camera and its pictures
// through setView; the list lives in a file between runs.
class KeyFramesPanel : public QGroupBox
{
    Q_OBJECT
public:
    // Frames per second of a rendered flight.
    static constexpr int renderRate = 30;

    explicit KeyFramesPanel(QWidget *parent = nullptr);
    ~KeyFramesPanel() override;

    struct ViewAccess {
        std::function<Camera()> camera;
        std::function<void(const Camera &)> setCamera;
        std::function<QImage()> grab;
    };
    void setView(const ViewAccess &view) { m_view = view; }

    const KeyFrames &frames() const { return m_frames; }
    int position() const { return m_position; }
    QString stateText() const;
    void load(const QString &path);
    // False when the file could not be written.
    bool store(const QString &path) const;
    // Writes the flight as numbered images ("0000.bmp", ...) into a folder; returns how many.
    int render(const QString &folder);

private:
    void wireButtons();
    void moveTo(int position);
    void insertCurrent(int index);
    void startOrStopPlaying();
    void playTick();
    void showState();
    KeyFrames::Frame currentFrame() const;

    std::unique_ptr<Ui::KeyFramesPanel> ui;
    KeyFrames m_frames;
    int m_position = 0;
    enum class State { Stopped, Playing, Rendering } m_state = State::Stopped;
    ViewAccess m_view;
    QTimer m_playTimer;
    QElapsedTimer m_playClock;
};
