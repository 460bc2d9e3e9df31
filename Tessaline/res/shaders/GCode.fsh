uniform vec3 clipLow;
uniform vec3 clipHigh;
uniform vec3 ec_light_pos;
uniform vec4 u_color;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec3 wc_position;
varying vec3 wc_normal;

void main()
{
    if (any(lessThan(wc_position, clipLow)) || any(greaterThan(wc_position, clipHigh)))
        discard;
    vec3 n = normalize(ec_normal);
    float d = max(dot(normalize(ec_light_pos - ec_position), n), 0.0);
    vec3 lit = u_color.rgb * (d * 0.5 + 0.2) + vec3(1.0) * (pow(d, 3.0) * 0.5);
    gl_FragColor = vec4(lit, u_color.a);
}
