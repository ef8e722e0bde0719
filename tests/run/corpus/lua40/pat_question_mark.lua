print(strfind("color", "colou?r"), strfind("colour", "colou?r"), strfind("colr", "colou?r"))
