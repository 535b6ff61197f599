/* Two callers sharing a callee, and a recursion. */
static int leaf(int n)
{
    int sum = 0;
    for (int i = 0; i < n; ++i)
        sum += i;
    return sum;
}

static int left(int n)
{
    return leaf(n) + leaf(n / 2);
}

static int right(int n)
{
    return leaf(n * 2);
}

static int fib(int n)
{
    return n < 2 ? n : fib(n - 1) + fib(n - 2);
}

int main(void)
{
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += left(100) + right(50);
    return (sum + fib(10)) & 1;
}
