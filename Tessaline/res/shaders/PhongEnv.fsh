uniform vec3 clipLow;
uniform vec3 clipHigh;
uniform vec3 ec_light_pos;
uniform vec4 u_color;
uniform float steepNormalY;
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
    // Faces pointing further down than the support threshold turn cyan-blue.
    float steep = clamp((steepNormalY - wn.y) * 15.0, 0.0, 0.85);
    vec4 base = u_color * (1.0 - steep) + vec4(0.0, 1.0, 2.0, 0.0) * steep;
    vec3 lit = base.rgb * d + vec3(1.0) * (pow(d, 20.0) * 0.5);
    // The mirrored copy below the plate has its y negated, so the camera is compared in that frame.
    vec3 camDelta = wc_cam_pos - wc_position * vec3(1.0, -1.0, 1.0);
    vec3 dir = normalize(-camDelta);
    vec3 r = dir + 2.0 * dot(wn, dir) * wn;
    r = normalize(r);
    vec2 uv = vec2(atan(r.x, r.z) / (2.0 * PI) + 0.5, clamp(asin(clamp(r.y, -1.0, 1.0)) / PI + 0.5, 0.01, 0.99));
    vec3 sky = texture2D(texture, uv).bgr;
    // The marking colour carries no alpha: a marked face stays as opaque as the object.
    gl_FragColor = vec4(lit * 0.8 + sky * 0.25, u_color.a);
}
