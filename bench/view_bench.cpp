// Frame time of the 3D view under Xvfb with Mesa: the welcome project and a mesh of a million
// triangles while the camera orbits, against drawing the same million triangles once with a bare
// shader (one buffer, one draw, a constant colour). Prints the median and the 90th percentile of the
// frame times in milliseconds. A mesh of ten million triangles shows the upload limit at work. Run: xvfb-run -a -s "-screen 0 1280x800x24" bench_view [frames]
#include "scene/project.h"
#include "shapes.h"
#include "view/glshaders.h"
#include "view/glviewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

// The view's frame drawn into its own buffer, finished before the clock stops.
class BenchViewer : public GlViewer
{
public:
    using GlViewer::paintGL;
};

struct Figures {
    double median = 0, p90 = 0;
};

Figures measure(int frames, const std::function<void()> &frame)
{
    std::vector<double> ms;
    frame(); // lists and programs are built on the first frame
    for (int i = 0; i < frames; ++i) {
        QElapsedTimer clock;
        clock.start();
        frame();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10]};
}

void report(const char *what, const Figures &f)
{
    std::printf("%-44s median %8.2f ms   p90 %8.2f ms\n", what, f.median, f.p90);
}

Figures orbiting(BenchViewer &viewer, int frames)
{
    return measure(frames, [&] {
        viewer.camera().orbit(0.02f, 0.0f);
        viewer.makeCurrent();
        viewer.paintGL();
        viewer.context()->functions()->glFinish();
        viewer.doneCurrent();
    });
}

// The point and object under the view's centre, as a hover or a click asks for them.
Figures picking(BenchViewer &viewer, int frames)
{
    const QPoint centre(viewer.width() / 2, viewer.height() / 2);
    return measure(frames, [&] { viewer.pickAt(centre); });
}

Figures bareShader(BenchViewer &viewer, const Faces &mesh, int frames)
{
    viewer.makeCurrent();
    QOpenGLShaderProgram program;
    const QByteArray prefix = viewer.context()->isOpenGLES() ? "precision highp float;\n" : "#version 100\n";
    program.addShaderFromSourceCode(QOpenGLShader::Vertex, prefix + "attribute vec4 a_vertex; uniform mat4 mvp;\n"
                                                                    "void main() { gl_Position = mvp * a_vertex; }");
    program.addShaderFromSourceCode(QOpenGLShader::Fragment, prefix + "#ifdef GL_ES\nprecision mediump float;\n#endif\n"
                                                                      "void main() { gl_FragColor = vec4(0.8); }");
    program.link();
    std::vector<float> vertices;
    vertices.reserve(size_t(mesh.count()) * 9);
    for (int i = 0; i < mesh.count(); ++i)
        for (const V3f &p : mesh[i].p)
            vertices.insert(vertices.end(), {p.x, p.y, p.z});
    QOpenGLBuffer buffer;
    buffer.create();
    buffer.bind();
    buffer.allocate(vertices.data(), int(vertices.size() * sizeof(float)));
    const QSize size = viewer.size();
    const QMatrix4x4 mvp = viewer.camera().projectionMatrix(size) * viewer.camera().viewMatrix();
    QOpenGLFunctions &f = *viewer.context()->functions();
    const Figures figures = measure(frames, [&] {
        f.glViewport(0, 0, size.width(), size.height());
        f.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        f.glEnable(GL_DEPTH_TEST);
        program.bind();
        program.setUniformValue("mvp", mvp);
        buffer.bind();
        program.enableAttributeArray("a_vertex");
        program.setAttributeBuffer("a_vertex", GL_FLOAT, 0, 3);
        f.glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size() / 3));
        f.glFinish();
    });
    buffer.destroy();
    viewer.doneCurrent();
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(5, atoi(argv[1])) : 40;
    initViewResources();

    Project welcome;
    QFile file(QStringLiteral(TESSALINE_SOURCE_DIR "/Tessaline/res/welcome.tsprj"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "welcome.tsprj not found\n");
        return 1;
    }
    welcome.loadFromStr(file.readAll(), false);
    welcome.selectAll(false);

    Project big;
    // 2 * 1000 * 500 triangles.
    const Faces sphere = makeSphere(60.0f, 1000, 501);
    big.addMesh(sphere, "sphere")->selected = false;

    BenchViewer viewer;
    viewer.resize(1024, 640);
    viewer.show();
    if (!QTest::qWaitForWindowExposed(&viewer))
        return 1;
    std::printf("frames: %d, view 1024 x 640, %s\n", frames,
                viewer.context()->isOpenGLES() ? "OpenGL ES context" : "desktop context");

    viewer.setProject(&welcome);
    report("welcome project, orbiting", orbiting(viewer, frames));
    report("welcome project, picking", picking(viewer, frames));
    viewer.setProject(&big);
    char label[64];
    std::snprintf(label, sizeof label, "%d triangles, orbiting", sphere.count());
    report(label, orbiting(viewer, frames));
    // The options' back faces, and a volume so low that the out-of-volume pass has work to do.
    viewer.setObjectLook(false, true);
    std::snprintf(label, sizeof label, "%d triangles, picking", sphere.count());
    report(label, picking(viewer, frames));
    std::snprintf(label, sizeof label, "%d triangles, back faces shown", sphere.count());
    report(label, orbiting(viewer, frames));
    viewer.setObjectLook(false, false);
    viewer.setWorkArea(V3f(200, 60, 200), false);
    std::snprintf(label, sizeof label, "%d triangles, partly outside", sphere.count());
    report(label, orbiting(viewer, frames));
    viewer.setWorkArea(V3f(200, 200, 200), false);
    std::snprintf(label, sizeof label, "%d triangles, bare shader, one draw", sphere.count());
    report(label, bareShader(viewer, sphere, frames));

    // Beyond the upload limit: the view draws the first 4,000,000 triangles of 10,000,000.
    Project huge;
    huge.addMesh(makeSphere(60.0f, 5000, 1001), "huge sphere")->selected = false;
    viewer.setProject(&huge);
    QElapsedTimer upload;
    upload.start();
    viewer.makeCurrent();
    viewer.paintGL();
    viewer.context()->functions()->glFinish();
    viewer.doneCurrent();
    std::printf("%-44s %8.2f ms\n", "10,000,000 triangles, first frame (upload)", double(upload.nsecsElapsed()) / 1e6);
    report("10,000,000 triangles, orbiting", orbiting(viewer, std::max(5, frames / 4)));
    return viewer.lastError().isEmpty() ? 0 : 1;
}
