#pragma once

#include <QByteArray>

// A program profiled twice, in microseconds and then in 10 ns steps: fast
// got faster, slow slower, gone and an inclusion went, Zap and another
// inclusion came, fib recursed once and then twice, php::count stayed.
inline const QByteArray profileBefore
    = "events: Time Memory_(bytes)\n\nfn=slow\n1 10 100\n\nfn=fast\n1 30 200\n\nfn=gone\n1 5 50\n\n"
      "fn=php::count\n1 1 0\n\nfn=include::/var/www/a.php\n1 2 0\n\nfn=fib\n1 4 8\n\n"
      "fn=fib\n1 6 8\ncfn=fib\n\nfn=main\n1 1 0\ncfn=slow\ncfn=fast\ncfn=gone\ncfn=php::count\n"
      "cfn=include::/var/www/a.php\ncfn=fib\n\n";
inline const QByteArray profileAfter
    = "events: Time_(10ns) Memory_(bytes)\n\nfn=(1) fast\n1 1000 600\n\nfn=(2) slow\n1 2500 100\n\n"
      "fn=(3) Zap\n1 500 -40\n\nfn=(4) php::count\n1 100 0\n\nfn=(5) include::/var/www/b.php\n1 200 0\n\n"
      "fn=(6) fib\n1 400 8\n\nfn=(6)\n1 400 8\ncfn=(6)\n\nfn=(6)\n1 400 8\ncfn=(6)\n\n"
      "fn=(7) main\n1 100 0\ncfn=(1)\ncfn=(2)\ncfn=(3)\ncfn=(4)\ncfn=(5)\ncfn=(6)\n\n";
