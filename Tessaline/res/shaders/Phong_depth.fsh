// c = 1 - 1/distance as three base-256 digits, most significant in blue. Each digit is written as
// digit / 255 so that the 8-bit buffer stores it exactly.
vec4 encodeDepth(float c)
{
    c = clamp(c, 0.0, 0.99999994);
    float hi = floor(c * 256.0);
    float mid = floor(fract(c * 256.0) * 256.0);
    float lo = floor(fract(c * 65536.0) * 256.0);
    return vec4(lo, mid, hi, 0.0) / 255.0;
}

varying float clipW;
varying vec3 wc_position;
uniform vec3 clipLow;
uniform vec3 clipHigh;

void main()
{
    if (any(lessThan(wc_position, clipLow)) || any(greaterThan(wc_position, clipHigh)))
        discard;
    // = 1 - gl_FragCoord.w
    gl_FragColor = encodeDepth(1.0 - 1.0 / clipW);
}
