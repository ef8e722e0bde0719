for i = "1", "3" do write(i, type(i), " ") end
print()
