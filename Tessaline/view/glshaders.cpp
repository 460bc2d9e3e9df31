#include "view/glshaders.h"

#include <QFile>
#include <QHash>
#include <QOpenGLContext>
#include <memory>

static void initViewResourcesOnce()
{
    Q_INIT_RESOURCE(view);
}

void initViewResources()
{
    static const bool done = (initViewResourcesOnce(), true);
    Q_UNUSED(done);
}

namespace
{

const char kPrecisionPrefix[] = "precision highp float;\r\n";

QByteArray shaderSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QString("getShaderProgram() shader error. file not found: ") + path;
    return file.readAll();
}

// Desktop GLSL before 1.30 knows no precision statements, so a desktop context (Mesa's has ES2
// compatibility) reads the sources as GLSL ES 1.0. Qt defines the precision words away on desktop
// contexts, which would leave "precision float;": the definitions are dropped again.
QByteArray withPrefix(const QByteArray &source)
{
    const QOpenGLContext *context = QOpenGLContext::currentContext();
    QByteArray text;
    if (context && !context->isOpenGLES())
        text = "#version 100\n#undef lowp\n#undef mediump\n#undef highp\n";
    return text + kPrecisionPrefix + source;
}

using ProgramCache = QHash<QString, std::shared_ptr<QOpenGLShaderProgram>>;

// One cache per context: programs cannot be shared between contexts that do not share.
ProgramCache &cacheFor(QOpenGLContext *context)
{
    static QHash<QOpenGLContext *, ProgramCache> caches;
    if (!caches.contains(context))
        QObject::connect(context, &QOpenGLContext::aboutToBeDestroyed, [context] { caches.remove(context); });
    return caches[context];
}

} // namespace

QOpenGLShaderProgram &getShaderProgram(const QString &name)
{
    initViewResources();
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        throw QString("getShaderProgram() shader error. no current GL context for ") + name;
    ProgramCache &cache = cacheFor(context);
    auto found = cache.find(name);
    if (found != cache.end())
        return **found;
    auto program = std::make_shared<QOpenGLShaderProgram>();
    const QString base = ":/res/" + name;
    const bool ok =
        program->addShaderFromSourceCode(QOpenGLShader::Vertex, withPrefix(shaderSource(base + ".vsh"))) &&
        program->addShaderFromSourceCode(QOpenGLShader::Fragment, withPrefix(shaderSource(base + ".fsh"))) &&
        program->link();
    if (!ok)
        throw QString("getShaderProgram() shader error. ") + program->log();
    cache.insert(name, program);
    return *program;
}

const QStringList &shaderProgramNames()
{
    static const QStringList names{"Phong",       "Ground",      "Outside",   "OutsideCircular", "GCode",
                                   "Phong_depth", "GCode_depth", "DepthFill", "PhongEnv",        "GCodeEnv",
                                   "PhongTex",    "Color2D",     "ColorUVTex"};
    return names;
}
