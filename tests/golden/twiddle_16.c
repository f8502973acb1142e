/* -------------------------------------------------------------------- */
/*  Automatically generated twiddle-factor array.                       */
/*      Number of points:    16                                         */
/*      Scale factor:        32767.500000000                            */
/*      Appropriate FFTs:    QMX_cfftbf                                 */
/*      Required alignment:  4 byte (word)                              */
/* -------------------------------------------------------------------- */
/*  NOTE:  It is suggested that this array be aligned in a different    */
/*  starting bank than the actual FFT data, to reduce bank conflicts.   */
/*  This can be achieved by using the DATA_MEM_BANK pragma.  Please     */
/*  see the KORV7700XLP Optimizing C Compiler Reference (ZLQB311C)      */
/*  for details on "#pragma DATA_MEM_BANK".                             */
/* -------------------------------------------------------------------- */

#pragma DATA_ALIGN(w, 4);  /* Remove this if using DATA_MEM_BANK */

const short w[2 * 8] =
{
    -0x7FFF,  0x0000, -0x7641, -0x30FB, -0x5A82, -0x5A82, -0x30FB, -0x7641,
     0x0000, -0x7FFF,  0x30FB, -0x7641,  0x5A82, -0x5A82,  0x7641, -0x30FB
};
