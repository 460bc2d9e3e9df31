attribute vec3 a_vertex;
attribute vec3 a_normal;
uniform mat4 mvp_matrix;
uniform mat4 mv_matrix;
uniform mat4 tex_matrix;
uniform mat3 normal_matrix;
varying vec3 ec_position;
varying vec3 ec_normal;
varying vec2 texCoord;

void main()
{
    vec4 v = vec4(a_vertex, 1.0);
    ec_position = (mv_matrix * v).xyz;
    ec_normal = normal_matrix * a_normal;
    texCoord = (tex_matrix * v).xy;
    gl_Position = mvp_matrix * v;
}
