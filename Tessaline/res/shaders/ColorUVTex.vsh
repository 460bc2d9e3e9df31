attribute vec4 a_vertex;
attribute vec2 a_texture1;
uniform mat4 mvp_matrix;
uniform mat4 mv_matrix;
varying vec2 uv;

void main()
{
    uv = a_texture1;
    gl_Position = mvp_matrix * a_vertex;
}
