attribute vec3 a_vertex;
attribute vec3 a_normal;
uniform mat4 m_matrix;
uniform mat4 mv_matrix;
uniform mat4 mvp_matrix;
uniform mat3 normal_model_matrix;
uniform mat3 normal_view_matrix;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec3 wc_position;
varying vec3 wc_normal;

void main()
{
    vec4 v = vec4(a_vertex, 1.0);
    ec_position = (mv_matrix * v).xyz;
    wc_position = (m_matrix * v).xyz;
    wc_normal = normal_model_matrix * a_normal;
    ec_normal = normal_view_matrix * wc_normal;
    gl_Position = mvp_matrix * v;
}
