attribute vec4 a_vertex;
attribute vec4 a_color;
varying vec4 color;

void main()
{
    color = a_color;
    gl_Position = a_vertex;
}
