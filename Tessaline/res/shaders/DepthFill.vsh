attribute vec4 a_vertex;
varying vec2 uv;

void main()
{
    uv = a_vertex.xy * 0.5 + 0.5;
    gl_Position = a_vertex;
}
