#pragma once
#include "geometry/v3f.h"
#include "view/btnsys.h"
#include "view/camera.h"
#include "view/cliprecord.h"
#include "view/gcodecolors.h"
#include "view/gcodedrawing.h"
#include "view/gllist.h"
#include "view/mousemodes.h"
#include "view/picking.h"

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QSurfaceFormat>
#include <memory>
#include <unordered_map>
#include <vector>

class Faces;
class FileOps;
class GLList_DepthFill;
class MouseState;
class Obj;
class Project;
class QOpenGLFramebufferObject;

// Uploads a mesh's triangles with their normals (capped: no more than the upload limit).
void uploadFaces(GLList &list, const Faces &mesh, bool capped);

// The slicer's 3D view: sky, plate, the project's objects and their reflection, the out-of-volume
// marking, support bars and G-code beads. It asks for an OpenGL ES 2.0 context and takes a desktop
// one when the platform offers no ES (the shaders are written for both).
class GlViewer : public QOpenGLWidget
{
    Q_OBJECT
public:
    static const QColor plainColor;
    static const QColor selectedColor;
    static const QColor barColor;
    static const QColor outsideColor;
    // Under the cursor (objects and bars), and a bar that a CTRL click would remove.
    static const QColor hoverColor;
    static const QColor barRemoveColor;

    explicit GlViewer(QWidget *parent = nullptr);
    ~GlViewer() override;

    // The format the view asks for: ES 2.0 when the platform can make such a context, else desktop.
    static QSurfaceFormat preferredFormat();

    // Draws the project without editing it (previews, tests).
    void setProject(const Project *project);
    // The project the mouse edits, and where its edits are recorded (one undo step each); the
    // window connects sceneEdited and selectionChanged. Either may be null.
    void setScene(Project *project, FileOps *fileOps);
    // The project changed outside the view (undo, open, commands): hover and drags start afresh.
    void sceneReplaced();
    void setMouseMode(MouseMode mode);
    MouseMode mouseMode() const { return m_editor.mode(); }
    // The support tool: the left button places and removes bars instead of editing objects.
    void setSupportMode(bool on);
    void setViewOptions(const ViewOptions &options) { m_editor.setOptions(options); }
    const ViewOptions &viewOptions() const { return m_editor.options(); }
    const MouseEditor &mouseEditor() const { return m_editor; }
    MouseState &mouseState() { return *m_mouse; }
    // The camera's home view (the Home key).
    void home();
    // Whether picking reads a depth texture through "DepthFill" (the platform has
    // GL_ANGLE_depth_texture, or TESSALINE_DEPTHFILL=1 asks for it where depth textures exist) rather
    // than drawing the encoded depth directly. Known once the view has been shown.
    bool depthFillActive() const { return m_depthFill; }
    Camera &camera() { return m_camera; }
    // The printable volume: width (x), height (y), depth (z) in mm, centred on the plate's origin.
    void setWorkArea(const V3f &size, bool circular);
    // Lighter objects with a reflection of the sky, and the steepness that turns faces blue.
    void setEnvironment(bool on, float steepNormalY = -100.0f);
    // See-through objects (the plate and the other objects show through them), and whether the insides
    // of open or cut meshes are drawn.
    void setObjectLook(bool transparent, bool backFaces);
    // Cuts the view open: only the part of the scene inside the record's kept box is drawn and picked.
    void setClip(const ClipRecord &clip);
    // The G-code view (glviewergcode.cpp). The preview is the window's and must outlive the view or
    // be replaced first; after appending to it call gcodeGrew(), after a new parse set it again.
    void setGCodePreview(const GCodePreview *preview);
    void gcodeGrew();
    // Whether the G-code is shown, its layers, colouring, travels and legend.
    void setGCodeOptions(const GCodeDrawOptions &options);
    const GCodeDrawOptions &gcodeOptions() const { return m_gcodeDrawing->options(); }
    // The print head stands at the end of this segment of the preview (GCodePreview::segmentAtLine
    // of the line cursor); -1 shows none.
    void setLineCursor(int segment);
    // The move under the mouse cursor and its read-out; -1 and empty when there is none.
    int hoveredGCodeSegment() const { return m_gcodeDrawing->hoveredSegment(); }
    QString hoveredGCodeReadout() const { return m_gcodeDrawing->hoveredReadout(); }
    // Mesh lists are kept per mesh; call when a mesh's triangles changed.
    void meshChanged(const Faces *mesh);

    ViewPick pickAt(const QPoint &pixel);

    // The last frame's failure, empty when it drew; a failed frame is abandoned.
    QString lastError() const { return m_lastError; }

    // The overlay (glviewer_overlay.cpp): buttons, performance line, the plate's logo.
    BtnSys &buttons() { return m_buttons; }
    // True over an overlay button of the current view mode: a press there is the button's, and the
    // mouse modes must leave it (and the drag it starts) alone.
    bool overlayHit(const QPoint &pos) const;
    // Draws the object at `drawn` first, from where it glides to its real place.
    void startFrom(const Obj *obj, const M44f &drawn);
    // "FPS:... timeRead:...us" while the settings key "showFPS" is not 0 (read when the view is made).
    bool showsPerformance() const { return m_showFPS; }
    QString performanceLine() const;

signals:
    // A click on an overlay button (pressed and released over it).
    void buttonClicked(const QString &name);
    // A frame failed: once per failure, until a frame draws again; each frame tries afresh.
    void frameFailed(const QString &message);
    // A mouse edit was recorded in FileOps.
    void sceneEdited();
    // The selection changed, or a selection rectangle is being dragged.
    void selectionChanged();

public slots:
    void onMouseChanged(MouseState &ms);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void drawFrame();
    void drawSky();
    void drawPlate();
    void drawObjects(const QString &program, bool mirrored, bool depthPass);
    void drawBars(const QString &program);
    void drawGCode();
    void drawGCodeOverlays();
    void hoverGCode(const MouseState &ms);
    void setupMatrices();
    GLList_Phong &meshList(const Faces *mesh);
    // Releases the lists of meshes that no object of the project shows any more.
    void dropUnusedMeshLists();
    // Whether every point of the object as drawn lies within the build volume: the out-of-volume
    // pass would paint nothing.
    bool insideWorkArea(const Obj &obj, const M44f &transform) const;
    void rebuildBars();
    void releaseLists();
    // The overlay over the finished frame, and the report of a failed one.
    void initOverlay();
    void releaseOverlay();
    void drawOverlay();
    void drawLogo();
    void reportFrame(const QString &failure);

    // Mouse handling and what it draws (glviewermouse.cpp).
    PointerSample sampleAt(const QPoint &pixel, bool withDepth);
    void report(const MouseEditor::Result &result);
    QColor targetColor(int objectIndex, const Obj &obj) const;
    void drawHoveredBars(const QString &program);
    void drawDragRect();
    DepthPixel readDepthPixel(const QPoint &devicePixel, const QSize &viewport);
    DepthPixel readDepthPixelFilled(const QPoint &devicePixel, const QSize &viewport);
    void drawDepthScene();

    // Moves each object's drawn colour and transform a frame's step towards its target; true while
    // anything is still on its way.
    bool animate();
    struct Drawn {
        QColor color;
        M44f transform;
    };

    const Project *m_project = nullptr;
    MouseState *m_mouse = nullptr; // child of the view
    MouseEditor m_editor;
    bool m_depthFill = false;
    bool m_depthFillChecked = false;
    std::unique_ptr<GLList_Phong> m_hoverBar;
    std::unique_ptr<GLList_Color2D> m_dragRectList;
    std::unique_ptr<GLList_DepthFill> m_depthQuad;
    std::unordered_map<const Obj *, Drawn> m_drawn;
    QElapsedTimer m_frameTimer;
    Camera m_camera;
    V3f m_workArea{200, 200, 200};
    bool m_circular = false;
    bool m_environment = false;
    float m_steepNormalY = -100.0f;
    QString m_lastError;

    // A list stays valid while its mesh is the one it was built from: a mesh freed with its project
    // may leave a new one at the same address.
    struct MeshList {
        quint32 meshHash = 0;
        int count = 0;
        const Face *data = nullptr;
        bool shadeVariation = false;
        std::unique_ptr<GLList_Phong> list;
    };
    std::unordered_map<const Faces *, MeshList> m_meshLists;
    std::unique_ptr<GLList_Phong> m_bars;
    QByteArray m_barsKey;
    std::unique_ptr<GLList_Ground> m_plate;
    std::unique_ptr<GLList_ColorUVTex> m_sky;
    std::unique_ptr<GCodeDrawing> m_gcodeDrawing = std::make_unique<GCodeDrawing>();
    Texture m_gridTexture{"mmGrid.png"};
    Texture m_skyTexture{"skydome.png"};

    // The overlay.
    BtnSys m_buttons;
    bool m_wasMoving = false;
    bool m_showFPS = false;
    QString m_reportedFailure;
    std::unique_ptr<GLList_ColorUVTex> m_logo;
    Texture m_logoTexture{"logo.png"};
    float m_logoZ = 0;
    QElapsedTimer m_fpsClock;
    int m_framesCounted = 0;
    double m_fps = 0;
    qint64 m_timeRenderUs = 0, m_timeBltUs = 0, m_timeOverlayUs = 0, m_timeReadUs = 0;
    QElapsedTimer m_bltClock;
    // The left button went down on an overlay button: the mouse tools sit out until it comes up.
    bool m_pressOnOverlay = false;
    bool m_transparentObjects = false;
    bool m_showBackFaces = false;
    QVector3D m_clipLow{-1e9f, -1e9f, -1e9f};
    QVector3D m_clipHigh{1e9f, 1e9f, 1e9f};
};
