echo hi
