#include "view/animation.h"

#include <cmath>
#include <cstdlib>

namespace
{

constexpr float kColorBase = 0.2f;
constexpr float kTransformBase = 0.45f;
constexpr int kColorSnap = 18;
constexpr float kTransformSnap = 0.005f;
constexpr float kWholeStepTime = 0.25f;

int approachChannel(int drawn, int target, float f)
{
    return drawn + int(std::lround((target - drawn) * f));
}

} // namespace

float approachFactor(float base, float dt)
{
    if (!(dt < kWholeStepTime))
        return 1.0f;
    return 1.0f - std::pow(base, 30.0f * std::max(dt, 0.0f));
}

QColor approachColor(const QColor &drawn, const QColor &target, float dt)
{
    const float f = approachFactor(kColorBase, dt);
    const QColor next(approachChannel(drawn.red(), target.red(), f), approachChannel(drawn.green(), target.green(), f),
                      approachChannel(drawn.blue(), target.blue(), f), target.alpha());
    const int left = std::abs(next.red() - target.red()) + std::abs(next.green() - target.green()) +
                     std::abs(next.blue() - target.blue());
    return left <= kColorSnap ? target : next;
}

M44f approachTransform(const M44f &drawn, const M44f &target, float dt)
{
    const float f = approachFactor(kTransformBase, dt);
    M44f next;
    float left = 0;
    for (int i = 0; i < 16; ++i) {
        next[i] = drawn[i] + (target[i] - drawn[i]) * f;
        left += std::abs(target[i] - next[i]);
    }
    return left <= kTransformSnap ? target : next;
}
