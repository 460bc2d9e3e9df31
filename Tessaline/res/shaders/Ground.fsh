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
    vec3 lit = u_color.rgb * (d * 0.5 + 0.4) + vec3(1.0) * (d * d * 0.1);
    vec4 texel = texture2D(texture, texCoord);
    // The plate fades out with the distance from its centre.
    float alpha = clamp(1.0 - length(texCoord) * 0.06, 0.0, 1.0) * u_color.a;
    gl_FragColor = vec4(lit * texel.rgb, alpha);
}
