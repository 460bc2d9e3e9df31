uniform vec3 clipLow;
uniform vec3 clipHigh;
uniform vec4 u_color;
uniform vec3 invWorkAreaSize;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec3 wc_position;
varying vec3 wc_normal;

void main()
{
    if (any(lessThan(wc_position, clipLow)) || any(greaterThan(wc_position, clipHigh)))
        discard;
    vec3 p = wc_position * invWorkAreaSize;
    if (p.y >= -0.001 && p.y <= 1.001 && abs(p.x) <= 0.5 && abs(p.z) <= 0.5)
        discard;
    gl_FragColor = u_color;
}
