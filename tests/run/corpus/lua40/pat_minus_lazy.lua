print(gsub("<a><b>", "<(.-)>", "%1"), strfind("aXbXc", "a(.-)X"))
