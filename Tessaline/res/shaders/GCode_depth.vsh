attribute vec3 a_vertex;
uniform mat4 mvp_matrix;
// gl_FragCoord is only mediump in GLSL ES, too coarse for the depth digits (Mesa computes it in
// half floats): the fragment stage gets 1 / gl_FragCoord.w, the distance, at full precision.
varying float clipW;
uniform float layerZ;

void main()
{
    float k = a_vertex.z;
    float offset = abs(k) > 4.0 ? k * 0.0001 : 0.0;
    gl_Position = mvp_matrix * vec4(a_vertex.x, layerZ + offset, a_vertex.y, 1.0);
    clipW = gl_Position.w;
}
