// Linked with every object of the store and the support library and nothing else: that it
// links at all is the test.
int main()
{
    return 0;
}
