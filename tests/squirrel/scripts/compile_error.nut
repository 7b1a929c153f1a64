local a = ;
