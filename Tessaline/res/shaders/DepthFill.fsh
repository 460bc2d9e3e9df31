// Samplers default to lowp in fragment shaders, which would cut the depth to a few bits.
uniform highp sampler2D texture;
// Scale and offset from the full screen quad to the part of the depth texture in use.
uniform vec4 texCoord;
varying vec2 uv;

vec4 encodeDepth(float c)
{
    c = clamp(c, 0.0, 0.99999994);
    float hi = floor(c * 256.0);
    float mid = floor(fract(c * 256.0) * 256.0);
    float lo = floor(fract(c * 65536.0) * 256.0);
    return vec4(lo, mid, hi, 0.0) / 255.0;
}

void main()
{
    float depth = texture2D(texture, uv * texCoord.xy + texCoord.zw).r;
    gl_FragColor = encodeDepth(1.0 - depth);
}
