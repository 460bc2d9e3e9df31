attribute vec3 a_vertex;
uniform mat4 mvp_matrix;
uniform mat4 mv_matrix;
uniform mat4 m_matrix;
uniform mat3 normal_model_matrix;
uniform mat3 normal_view_matrix;
uniform float layerZ;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec3 wc_position;
varying vec3 wc_normal;

void main()
{
    float k = a_vertex.z;
    float offset = 0.0;
    vec3 n;
    if (abs(k) > 4.0) {
        offset = k * 0.0001;
        n = vec3(0.0, sign(k), 0.0);
    } else {
        n = vec3(sin(k), 0.0, cos(k));
    }
    vec4 v = vec4(a_vertex.x, layerZ + offset, a_vertex.y, 1.0);
    ec_position = (mv_matrix * v).xyz;
    wc_position = (m_matrix * v).xyz;
    wc_normal = normal_model_matrix * n;
    ec_normal = normal_view_matrix * wc_normal;
    gl_Position = mvp_matrix * v;
}
