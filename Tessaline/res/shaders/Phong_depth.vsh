attribute vec3 a_vertex;
attribute vec3 a_normal;
uniform mat4 mvp_matrix;
uniform mat4 m_matrix;
varying vec3 wc_position;
// gl_FragCoord is only mediump in GLSL ES, too coarse for the depth digits (Mesa computes it in
// half floats): the fragment stage gets 1 / gl_FragCoord.w, the distance, at full precision.
varying float clipW;

void main()
{
    gl_Position = mvp_matrix * vec4(a_vertex, 1.0);
    clipW = gl_Position.w;
    wc_position = (m_matrix * vec4(a_vertex, 1.0)).xyz;
}
