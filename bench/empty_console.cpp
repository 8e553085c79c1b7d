// A console program that does nothing, built as tarvolo-find is: what any
// console program's start costs, for find_bench to set tarvolo-find against.
int wmain() {
    return 0;
}
