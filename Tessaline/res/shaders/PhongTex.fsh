uniform vec3 ec_light_pos;
uniform vec4 u_color;
uniform sampler2D texture;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec2 texCoord;

void main()
{
    vec3 n = normalize(ec_normal);
    float d = max(dot(normalize(ec_light_pos - ec_position), n), 0.0);
    vec3 lit = u_color.rgb * d + vec3(1.0) * (pow(d, 20.0) * 0.5);
    vec4 texel = texture2D(texture, texCoord);
    gl_FragColor = vec4(lit * texel.rgb, u_color.a * texel.a);
}
