/* A library under the converter's file name that lacks its entry point,
   for the tests of what happens when the wrong library sits in its place. */
__attribute__((visibility("default"))) int NotTheConverter(void)
{
    return 0;
}
