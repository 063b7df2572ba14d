module Sketchup
  # A menu: one of the menu bar's, a submenu or a context menu. Its items are kept so that
  # scripts can read them (#items) and click them (#find(*texts).invoke).
  class Menu
    # One entry; kind is :item (a text and a block), :command, :separator or :submenu.
    class Item
      attr_reader :id, :kind, :text, :command, :submenu
      attr_accessor :validation

      def initialize(id, kind, text, command: nil, submenu: nil, action: nil)
        @id = id
        @kind = kind
        @text = text
        @command = command
        @submenu = submenu
        @action = action
      end

      # What a click does.
      def invoke
        return @command.invoke if @command
        raise ArgumentError, "a #{@kind} cannot be clicked" unless @action

        @action.call
      end

      # How SketchUp would draw it: the item's validation proc, else its command's.
      def state
        return @validation.call if @validation

        @command ? @command.state : MF_ENABLED
      end

      def enabled? = (state & (MF_GRAYED | MF_DISABLED)).zero?
      def checked? = (state & MF_CHECKED) != 0
    end

    @last_item_id = 0
    # Item ids are unique across all menus, as SketchUp's are.
    def self.next_item_id = (@last_item_id += 1)

    attr_reader :title

    def initialize(title)
      @title = title.to_s
      @items = []
    end

    def items = @items.dup

    def add_item(item, &block)
      entry =
        if item.is_a?(UI::Command)
          new_item(:command, item.menu_text, command: item)
        elsif block
          new_item(:item, item.to_s, action: block)
        else
          raise ArgumentError, 'Sketchup::Menu#add_item needs a UI::Command or a block'
        end
      entry.id
    end

    def add_separator
      new_item(:separator, nil)
      nil
    end

    def add_submenu(title)
      submenu = Menu.new(title)
      new_item(:submenu, submenu.title, submenu: submenu)
      submenu
    end

    def set_validation_proc(item_id, &block)
      item = @items.find { |i| i.id == item_id } or raise ArgumentError, "no item #{item_id.inspect} in menu #{@title.inspect}"
      item.validation = block
      item_id
    end

    # The item at the end of a path of texts through submenus; nil when there is none.
    def find(*texts)
      text, *rest = texts
      item = @items.find { |i| i.text == text }
      return item if item.nil? || rest.empty?

      item.submenu&.find(*rest)
    end

    private

    def new_item(kind, text, **parts)
      Item.new(Menu.next_item_id, kind, text, **parts).tap { |item| @items << item }
    end
  end
end

module UI
  # The menu bar's menus; the same name always gives the same menu.
  def self.menu(name = 'Extensions')
    name = name.to_s
    name = 'Extensions' if name.empty? || name == 'Plugins' # SketchUp 2015 renamed Plugins
    HostSim.menus[name] ||= Sketchup::Menu.new(name)
  end
end

module HostSim
  def self.menus = (@menus ||= {})

  # The item at a path of texts from a menu-bar menu, e.g.
  # HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Start TwinLink'); nil when absent.
  def self.menu_item(menu_name, *texts) = menus[menu_name.to_s]&.find(*texts)
end
