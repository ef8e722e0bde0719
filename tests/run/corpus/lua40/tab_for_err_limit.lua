for i = 1, "x" do print(i) end
