uniform vec3 clipLow;
uniform vec3 clipHigh;
uniform vec3 ec_light_pos;
uniform vec4 u_color;
uniform vec3 wc_cam_pos;
uniform sampler2D texture;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec3 wc_position;
varying vec3 wc_normal;

const float PI = 3.14159265;

void main()
{
    if (any(lessThan(wc_position, clipLow)) || any(greaterThan(wc_position, clipHigh)))
        discard;
    vec3 n = normalize(ec_normal);
    vec3 wn = normalize(wc_normal);
    float d = max(dot(normalize(ec_light_pos - ec_position), n), 0.0);
    vec3 lit = u_color.rgb * (d * 0.5 + 0.2) + vec3(1.0) * (pow(d, 3.0) * 0.5);
    vec3 dir = normalize(wc_position - wc_cam_pos);
    vec3 r = normalize(dir + 2.0 * dot(wn, dir) * wn);
    vec2 uv = vec2(atan(r.x, r.z) / (2.0 * PI) + 0.5, clamp(asin(clamp(r.y, -1.0, 1.0)) / PI + 0.5, 0.01, 0.99));
    vec3 sky = texture2D(texture, uv).bgr;
    gl_FragColor = vec4(lit * 0.7 + sky * 0.5, u_color.a);
}
